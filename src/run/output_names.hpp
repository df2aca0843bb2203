#pragma once
// The names of every file a section writes: a base name from the template and
// a fixed suffix, or a fixed name. The section that writes a file and the
// report summary that quotes it both take the name from these tables, so a
// summary line always names the file that was written.
#include <string>
#include <string_view>

namespace tessaro {

// A template name field (padded with blanks) joined with a suffix.
inline std::string output_name(std::string_view base_field, std::string_view suffix) {
  const std::size_t end = base_field.find_last_not_of(' ');
  std::string name(end == std::string_view::npos ? std::string_view() : base_field.substr(0, end + 1));
  name += suffix;
  return name;
}

// WFN section: WFN_OUTPUT + suffix.
namespace wfn_output {
inline constexpr std::string_view kRho = "_rho.cube";
inline constexpr std::string_view kGradient = "_gradrho.cube";
inline constexpr std::string_view kLaplacian = "_laplrho.cube";
inline constexpr std::string_view kKinetic = "_G.cube";
inline constexpr std::string_view kPotential = "_V.cube";
inline constexpr std::string_view kTotal = "_H.cube";
}  // namespace wfn_output

// TOP section: CUBE_NAME(OUTPUT) + suffix.
namespace top_output {
inline constexpr std::string_view kCube = ".cube";
}  // namespace top_output

// RDG section: RDG_OUTPUT, RHO_SIGN_OUTPUT and ENERGY_OUTPUT + suffix; the
// plots are a prefix + PLOT_NAME; the computed derivatives have fixed names.
namespace rdg_output {
inline constexpr std::string_view kCube = ".cube";
inline constexpr std::string_view kGrd = ".grd";
inline constexpr std::string_view kVmdScript = ".vmd";
inline constexpr std::string_view kKineticCube = "_Gabr.cube";
inline constexpr std::string_view kPotentialCube = "_Vabr.cube";
inline constexpr std::string_view kTotalCube = "_Habr.cube";
inline constexpr std::string_view kKineticGrd = "_Gabr.grd";
inline constexpr std::string_view kPotentialGrd = "_Vabr.grd";
inline constexpr std::string_view kTotalGrd = "_Habr.grd";
inline constexpr std::string_view kRhoPlotPrefix = "rho";
inline constexpr std::string_view kRhosignPlotPrefix = "rhosign";
inline constexpr std::string_view kPicture = ".svg";  // appended to a plot file's name
inline constexpr std::string_view kNumericalGradient = "grad_numerical.cube";
inline constexpr std::string_view kNumericalLaplacian = "lapl_numerical.cube";
}  // namespace rdg_output

}  // namespace tessaro
