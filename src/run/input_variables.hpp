#pragma once
// The run settings, filled once by the input reader, plus the state the RDG
// section hands to the report (the isosurface statistics).
//
// Arrays of the template's option lines are 0-based here: element 0 is the
// first option of its line. Text fields have fixed lengths and are held padded
// with blanks to exactly that length (a name shorter than its field is
// followed by blanks; an unset field is all blanks).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaro {

// Positions in the option arrays: one per option of its template line, in
// the line's order, so that `iv.calc_risp[kAbramovJob]` reads as the option.
// inp1_risp (SECTIONS)
inline constexpr std::size_t kWfnSection = 0, kTopSection = 1, kRdgSection = 2;
// wfn_risp (WFN JOBS)
inline constexpr std::size_t kWfnRhoJob = 0, kWfnGradientJob = 1, kWfnLaplacianJob = 2, kWfnEnergyJob = 3;
// inprdg_risp (RDG INPUT format)
inline constexpr std::size_t kXd2Format = 0, kGauFormat = 1, kCubFormat = 2;
// calc_risp (RDG JOBS)
inline constexpr std::size_t kRdgJob = 0, kRhosignJob = 1, kAbramovJob = 2, kPlotJob = 3;
// rdg_risp (RDG_CALCULATION point rule)
inline constexpr std::size_t kAllPointsRule = 0, kRhoRangeRule = 1, kRhosignRangeRule = 2;
// rdg_rispace (SPACE_CUTOFF)
inline constexpr std::size_t kNoSpaceCutoff = 0, kAtomSpaceCutoff = 1, kExteSpaceCutoff = 2;
// duedplot (2DPLOT)
inline constexpr std::size_t kRhoPlot = 0, kRhosignPlot = 1;

inline std::string blank_text(std::size_t length) { return std::string(length, ' '); }

struct InputVariables {
  // Frame
  std::string report_name = blank_text(30);
  std::array<std::int32_t, 3> inp1_risp{};  // WFN, TOP, RDG

  // WFN section
  std::string wfn_inpname = blank_text(33);
  std::string wfn_outname = blank_text(33);
  std::array<std::int32_t, 4> wfn_risp{};  // rho, gra, lap, ene
  std::array<float, 3> centre_wfn{};
  std::int32_t n_puntix = 0, n_puntiy = 0, n_puntiz = 0;
  std::array<std::array<float, 3>, 3> orient_matr{};  // orient_matr[a] = step vector of axis a

  // TOP section
  std::int32_t n_grid = 0;
  std::string grd_top_name1 = blank_text(30), grd_top_name2 = blank_text(30), grd_top_name3 = blank_text(30);
  std::string cubeout1 = blank_text(30), cubeout2 = blank_text(30), cubeout3 = blank_text(30);
  std::string crys_out = blank_text(30);
  std::int32_t n_symm = 0;
  // symm_op(i, c, j): coefficient of input coordinate c in output coordinate j
  // of operation i (all 1-based), the operation index fastest in storage.
  std::vector<std::int32_t> symm_op;
  // transl(i, j): translation of output coordinate j of operation i.
  std::vector<double> transl;
  std::int32_t& symm(int i, int c, int j) {
    return symm_op[static_cast<std::size_t>((i - 1) + n_symm * ((c - 1) + 3 * (j - 1)))];
  }
  std::int32_t symm(int i, int c, int j) const {
    return symm_op[static_cast<std::size_t>((i - 1) + n_symm * ((c - 1) + 3 * (j - 1)))];
  }
  double& tr(int i, int j) { return transl[static_cast<std::size_t>((i - 1) + n_symm * (j - 1))]; }
  double tr(int i, int j) const { return transl[static_cast<std::size_t>((i - 1) + n_symm * (j - 1))]; }
  // Creates both arrays, zeroed, for n operations (none when n <= 0).
  void create_symmetry_arrays(std::int32_t n) {
    std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    symm_op.assign(count * 9, 0);
    transl.assign(count * 3, 0.0);
  }

  // RDG section
  std::array<std::int32_t, 3> inprdg_risp{};  // XD2, GAU, CUB
  std::array<std::int32_t, 4> calc_risp{};    // RDG, rho, Abr, plo
  std::string rhocube_inp = blank_text(35);
  std::string rhogrd_inp = blank_text(27);
  std::int32_t grad_calc = 0, grad_read = 0;
  std::string gradcube_inp = blank_text(34);
  std::string gradgrd_inp = blank_text(26);
  std::int32_t lapl_calc = 0, lapl_read = 0;
  std::string laplcube_inp = blank_text(34);
  std::string laplgrd_inp = blank_text(26);
  std::array<std::int32_t, 3> rdg_risp{};  // all_p, rho_c, rhosi
  std::array<float, 2> rhocutoff{};        // lower, upper
  std::string rdg_outname = blank_text(30);
  std::array<std::int32_t, 3> rdg_rispace{};  // none, atom, exte
  float spacecutoff = 0.0f;
  std::int32_t rhosign_points = 0;
  std::string rhosign_outname = blank_text(30);
  std::int32_t e_points = 0;
  std::string e_outname = blank_text(30);
  std::array<std::int32_t, 3> duedplot{};  // rho plot, rhosign plot, (unused)
  std::string plot_name = blank_text(30);

  // Filled by the RDG section, printed by the report. Entry m-1 belongs to the
  // RDG threshold m * 0.1.
  std::array<std::int32_t, 10> n01{};
  std::array<double, 10> vol01{}, rho01{}, rhosi01{}, g01{}, v01{}, h01{};
};

// A text field with its trailing blanks removed (file names are opened so).
inline std::string trimmed(const std::string& s) {
  std::size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

}  // namespace tessaro
