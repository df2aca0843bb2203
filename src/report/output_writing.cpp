#include "report/output_writing.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "run/input_variables.hpp"
#include "run/run.hpp"
#include "run/output_names.hpp"
#include "textio/textio.hpp"

namespace tessaro {
namespace {

using textio::FreeLine;
using textio::Layout;
using textio::OutItem;

// The report as the summaries write it: free-form lines, empty lines, one-blank
// lines, and lines built piecewise from writes that do not end the line (the
// next write that does end a line ends the one under construction).
class SummaryText {
 public:
  void line(const FreeLine& free_line) {
    out_ += free_line.str();
    out_ += '\n';
  }
  void line(std::string_view text) { line(FreeLine().text(text)); }
  void line(std::string_view first, std::string_view second) { line(FreeLine().text(first).text(second)); }
  // A free-form write without items: nothing but the line end.
  void empty_lines(int count) { out_.append(static_cast<std::size_t>(count), '\n'); }
  // A free-form write of one zero-length text: a single blank, then the line
  // end. After pieces it appends that blank to their line and ends it.
  void one_blank_line() { line(""); }
  // A write that does not end the line.
  void piece(std::string_view text) { out_ += text; }
  void pieces(const Layout& layout, std::span<const OutItem> items) {
    std::string record;
    textio::write_record(record, layout, items);
    if (!record.empty() && record.back() == '\n') record.pop_back();
    out_ += record;
  }
  // A whole record under a fixed layout.
  void record(const Layout& layout, std::span<const OutItem> items) { textio::write_record(out_, layout, items); }

  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

const std::string kBangs49(49, '!');
const std::string kBangs61(61, '!');

// The (WARNING: ...) line is written as two text items of one line.
constexpr std::string_view kFewPointsWarning =
    "(WARNING:if the input grid file has less than 5 points in any of the three cartesian ";

void wfn_summary(const InputVariables& iv, SummaryText& report) {
  report.line(kBangs49);
  report.line("!!!!!!!!!!PROPERTIES FROM WAVEFUNCTION!!!!!!!!!!!");
  report.line(kBangs49);
  report.empty_lines(2);
  report.line("input wavefunction:   ", iv.wfn_inpname);
  if (iv.wfn_edf_primitives > 0)
    report.line(FreeLine()
                    .i4(iv.wfn_edf_primitives)
                    .text("additional density function primitives (core densities) added to rho, its gradient and "
                          "laplacian; G (from the orbitals) does not include them"));
  report.line("properties to be evaluated:");
  if (iv.wfn_risp[kWfnRhoJob] == 1) {
    report.line("- electron density");
    report.line("   output file:  ", output_name(iv.wfn_outname, wfn_output::kRho));
  }
  if (iv.wfn_risp[kWfnGradientJob] == 1) {
    report.line("- electron density gradient");
    report.line("   output file:  ", output_name(iv.wfn_outname, wfn_output::kGradient));
  }
  if (iv.wfn_risp[kWfnLaplacianJob] == 1) {
    report.line("- electron density laplacian");
    report.line("   output file:  ", output_name(iv.wfn_outname, wfn_output::kLaplacian));
  }
  if (iv.wfn_risp[kWfnEnergyJob] == 1) {
    report.line("- energy density");
    report.line("   output files:  ");
    report.line("kinetic energy density:", output_name(iv.wfn_outname, wfn_output::kKinetic));
    report.line("potential energy density:", output_name(iv.wfn_outname, wfn_output::kPotential));
    report.line("total energy density:", output_name(iv.wfn_outname, wfn_output::kTotal));
  }
  report.empty_lines(1);
  report.line("number of points in the 3 directions(x,y,z respectively):");
  report.line(FreeLine().i4(iv.n_puntix).i4(iv.n_puntiy).i4(iv.n_puntiz));
  report.empty_lines(1);
  report.line("stepsize (au) in x,y,z direction, respectively:");
  report.line(FreeLine().r4(iv.orient_matr[0][0]).r4(iv.orient_matr[1][1]).r4(iv.orient_matr[2][2]));
}

// One symmetry operation, appended to the line under construction: for each
// output coordinate its signed terms (A2, A4 or A6), its translation as a
// sign and F4.2, and a comma.
void symmetry_operation(const InputVariables& iv, int i, SummaryText& report) {
  static const Layout kTranslation = Layout::parse("F4.2");
  static constexpr std::array<char, 3> kCoordinate = {'x', 'y', 'z'};
  for (int j = 1; j <= 3; ++j) {
    std::string terms;
    for (int c = 1; c <= 3; ++c) {
      std::int32_t coefficient = iv.symm(i, c, j);
      if (coefficient == 0) continue;
      terms += coefficient > 0 ? '+' : '-';
      terms += kCoordinate[static_cast<std::size_t>(c - 1)];
    }
    if (terms.empty()) {
      // A free-form write: it joins the line under construction after its
      // blank and ends it; the operation goes on on the next line.
      report.line("TOPOND SECTION, SYMMETRY OPERATION:problem in the reading process....");
    } else {
      std::string field;
      textio::put_A(field, terms, static_cast<int>(terms.size()));
      report.piece(field);
    }
    double translation = iv.tr(i, j);
    if (translation != 0.0) {
      report.piece(translation > 0.0 ? "+" : "-");
      const std::array<OutItem, 1> item = {translation > 0.0 ? translation : -translation};
      report.pieces(kTranslation, item);
    }
    report.piece(",");
  }
}

void top_summary(const InputVariables& iv, SummaryText& report) {
  report.empty_lines(4);
  report.line(kBangs61);
  report.line("!!!!!!!!!!!!!!!TOPOND TO CUBE CONVERSION!!!!!!!!!!!!!!!!!!!!!");
  report.line(kBangs61);
  report.empty_lines(2);
  report.line(FreeLine().i4(iv.n_grid).text(" file(s) will converted from topond format to cube format."));
  const std::array<const std::string*, 3> grids = {&iv.grd_top_name1, &iv.grd_top_name2, &iv.grd_top_name3};
  const std::array<const std::string*, 3> cubes = {&iv.cubeout1, &iv.cubeout2, &iv.cubeout3};
  for (int k = 1; k <= 3; ++k) {
    // The one-blank line separates the blocks whatever the number of grids.
    report.one_blank_line();
    if (iv.n_grid >= k) {
      std::size_t g = static_cast<std::size_t>(k - 1);
      report.line(*grids[g], "  grid file read as input");
      report.line("name of the written cube file:   ", output_name(*cubes[g], top_output::kCube));
    }
  }
  report.empty_lines(1);
  report.line("ATOMS WRITTEN IN THE CUBE FILE(S):");
  report.one_blank_line();
  report.line(iv.crys_out, "    file read from crystal(atomic coordinates)");
  report.one_blank_line();
  report.line("atomic coordinates in the output cube file generated ");
  report.line("by applying the following symmetry operation(s):");
  // Only operations that the arrays hold are printed: arrays created for
  // another count than n_symm would be read out of bounds.
  std::size_t count = iv.n_symm > 0 ? static_cast<std::size_t>(iv.n_symm) : 0;
  if (iv.symm_op.size() != 9 * count || iv.transl.size() != 3 * count) count = 0;
  for (std::size_t i = 1; i <= count; ++i) {
    // Under A1 a zero-length text is one blank: a line of its own before the
    // first operation, the blank ending the previous operation's line before
    // every later one.
    report.piece(" ");
    report.empty_lines(1);
    symmetry_operation(iv, static_cast<int>(i), report);
  }
  // Ends the last operation's line, or is the empty line when there is none.
  report.empty_lines(1);
}

void derivative_source_lines(const InputVariables& iv, bool gradient, SummaryText& report) {
  const bool xd2 = iv.inprdg_risp[kXd2Format] == 1;
  if (gradient ? iv.grad_calc != 1 : iv.lapl_calc != 1) {
    if (gradient) {
      report.line(trimmed(iv.gradcube_inp), "  ED-gradient cube file read as input");
      if (xd2) report.line(trimmed(iv.gradgrd_inp), "   ED-gradient XD2006 grd file read as input");
    } else {
      report.line(trimmed(iv.laplcube_inp), "  ED-laplacian cube file read as input");
      if (xd2) report.line(trimmed(iv.laplgrd_inp), "   ED-laplacian XD2006 grd file read as input");
    }
  } else {
    std::string text = gradient ? "ED-gradient calcualted numerically and written in: "
                                : "ED-laplacian calcualted numerically and written in: ";
    text += '"';
    text += gradient ? rdg_output::kNumericalGradient : rdg_output::kNumericalLaplacian;
    text += '"';
    report.line(text);
    // The Laplacian's warning names the gradient too: scripts that read the
    // report match the wording, so it stays as it is.
    report.line(kFewPointsWarning, "directions, gradient cannot be calculated)");
  }
  report.empty_lines(1);
}

void statistics_table(const InputVariables& iv, SummaryText& report) {
  static const Layout kFourEmptyLines = Layout::parse("3/");
  static const Layout kRowMain = Layout::parse("7X,F3.1,5X,A1,I15,A1,2(1X,ES14.8,A1)");
  static const Layout kRowRhosign = Layout::parse("1X,ES14.7,A1");
  static const Layout kRowAbramov = Layout::parse("3(1X,ES14.7,A1)");
  const bool rho = iv.calc_risp[kRhosignJob] == 1;
  const bool abramov = iv.calc_risp[kAbramovJob] == 1;
  report.record(kFourEmptyLines, {});
  report.line("REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS");
  report.piece("    RDG max    |   N. POINTS   |     VOLUME    |      RHO      |");
  if (rho) report.piece("    RHOSIGN    |");
  if (abramov) {
    report.piece(" ABR. KIN. EN. | ABR. POT. EN. | ABR");
    report.piece(". TOT. EN. |");
  }
  report.one_blank_line();
  const std::string_view bar = "|";
  for (int k = 1; k <= 10; ++k) {
    std::size_t m = static_cast<std::size_t>(k - 1);
    // The threshold is k times 0.1 in single precision.
    float threshold = static_cast<float>(k) * 0.1f;
    const std::array<OutItem, 8> row = {threshold, bar, iv.n01[m], bar, iv.vol01[m], bar, iv.rho01[m], bar};
    report.pieces(kRowMain, row);
    if (rho) {
      const std::array<OutItem, 2> items = {iv.rhosi01[m], bar};
      report.pieces(kRowRhosign, items);
    }
    if (abramov) {
      const std::array<OutItem, 6> items = {iv.g01[m], bar, iv.v01[m], bar, iv.h01[m], bar};
      report.pieces(kRowAbramov, items);
    }
    report.one_blank_line();
  }
}

void rdg_summary(const InputVariables& iv, SummaryText& report) {
  const bool xd2 = iv.inprdg_risp[kXd2Format] == 1;
  const bool job_rdg = iv.calc_risp[kRdgJob] == 1;
  report.empty_lines(4);
  report.line(kBangs61);
  report.line("!!!!!!!!!!RDG,RHO*(signL2) AND ABRAMOV S ENERGY!!!!!!!!!!!!!!");
  report.line(kBangs61);
  report.empty_lines(2);
  if (xd2) report.line("input grid files from XD2006");
  if (iv.inprdg_risp[kGauFormat] == 1) report.line("input cube files from GAUSSIAN");
  if (iv.inprdg_risp[kCubFormat] == 1) report.line("general cube file read as input");
  report.empty_lines(2);
  report.line(trimmed(iv.rhocube_inp), "   ED cube file read as input");
  if (xd2) report.line(trimmed(iv.rhogrd_inp), "   XD2006 grd file read as input");
  derivative_source_lines(iv, true, report);
  derivative_source_lines(iv, false, report);
  report.empty_lines(3);

  if (job_rdg) {
    if (iv.rdg_risp[kAllPointsRule] == 1) report.line("RDG calculated for all the points of the grid file");
    if (iv.rdg_risp[kRhoRangeRule] == 1) {
      report.line(FreeLine()
                      .text("RDG calculated for the points of the grid files having ED in the range: ")
                      .r4(iv.rhocutoff[0])
                      .text("-")
                      .r4(iv.rhocutoff[1]));
    }
    if (iv.rdg_risp[kRhosignRangeRule] == 1) {
      report.line(FreeLine()
                      .text("RDG calculated for the points of the grid files having ED*sign(lambda2) in the range")
                      .r4(iv.rhocutoff[0])
                      .text("-")
                      .r4(iv.rhocutoff[1]));
    }
    if (iv.rdg_rispace[kAtomSpaceCutoff] == 1) {
      report.line(FreeLine()
                      .text("space cutoff: points having a distance greater than ")
                      .r4(iv.spacecutoff)
                      .text("a.u. from every atoms are not considered"));
    }
    if (iv.rdg_rispace[kExteSpaceCutoff] == 1) {
      report.line(FreeLine()
                      .text("space cutoff: points lying outside the most external")
                      .text(" atomic coordinates more than")
                      .r4(iv.spacecutoff)
                      .text("a.u. are not considered"));
    }
    report.empty_lines(1);
    report.line("RDG cube file to be written: ", output_name(iv.rdg_outname, rdg_output::kCube));
    if (xd2) report.line("RDG grd grid file to be written: ", output_name(iv.rdg_outname, rdg_output::kGrd));
  }
  report.empty_lines(1);

  if (iv.calc_risp[kRhosignJob] == 1) {
    report.line(iv.rhosign_points == 1 ? "rho*sign(lambda2) calculated in the points where RDG has been calculated"
                                       : "rho*sign(lambda2) calculated in all the points of the cube");
    report.empty_lines(1);
    report.line("rho*sign(lambda2) cube file to be written: ", output_name(iv.rhosign_outname, rdg_output::kCube));
    report.empty_lines(1);
    // The grd file is announced under the cube wording: scripts that read the
    // report match the line as it is.
    if (xd2)
      report.line("rho*sign(lambda2) cube file to be written: ", output_name(iv.rhosign_outname, rdg_output::kGrd));
    report.line(kFewPointsWarning, "directions, rho*sign(L2) cannot be calculated)");
  }
  report.empty_lines(1);

  if (iv.calc_risp[kAbramovJob] == 1) {
    report.empty_lines(1);
    report.line(iv.e_points == 1
                    ? "Abramov energy functional grid files calculated in the points where RDG has been calculated"
                    : "Abramov energy functional grid files calculated in all the points of the cube");
    report.line("Abramov's energy functional cube files to be written: ");
    report.line("kinetic energy density:", output_name(iv.e_outname, rdg_output::kKineticCube));
    report.line("potential energy density:", output_name(iv.e_outname, rdg_output::kPotentialCube));
    report.line("total energy density:", output_name(iv.e_outname, rdg_output::kTotalCube));
    if (xd2) {
      report.line("Abramov's energy functional grd grid files to be written: ");
      report.line("kinetic energy density:", output_name(iv.e_outname, rdg_output::kKineticGrd));
      report.line("potential energy density:", output_name(iv.e_outname, rdg_output::kPotentialGrd));
      report.line("total energy density:", output_name(iv.e_outname, rdg_output::kTotalGrd));
    }
  }

  if (iv.calc_risp[kPlotJob] == 1) {
    // Both plot files are named whichever plots were chosen, each with the
    // plot name's field padding as the reader left it.
    report.line("RDG VS ED plot will be calculated and written on : ",
                std::string(rdg_output::kRhoPlotPrefix) + iv.plot_name);
    report.line("RDG VS ED*sign(lambda2) plot will be calculated and written on: ",
                std::string(rdg_output::kRhosignPlotPrefix) + iv.plot_name);
  }

  if (job_rdg) statistics_table(iv, report);
}

}  // namespace

std::string section_summary(const InputVariables& input_variables, Section section) {
  SummaryText report;
  switch (section) {
    case Section::Wfn: wfn_summary(input_variables, report); break;
    case Section::Top: top_summary(input_variables, report); break;
    case Section::Rdg: rdg_summary(input_variables, report); break;
  }
  return report.take();
}

void output_writing(Run& run, Section section) { run.report_write(section_summary(run.input_variables, section)); }

}  // namespace tessaro
