// The RDG section run in-process on small hand-made grids (see
// tests/data/analysis/make_inputs.py): the files it writes, their contents
// and the isosurface statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/calc_stuff.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

std::string field(const std::string& text, std::size_t width) {
  std::string f = text;
  f.resize(width, ' ');
  return f;
}

// The values of a written cube file in memory order (i fastest), parsed from
// their 13-column fields.
std::vector<double> cube_values(const std::string& name, int natoms, int n1, int n2, int n3) {
  const std::vector<std::string> lines = lines_of(read_file(name));
  std::vector<double> values(static_cast<std::size_t>(n1 * n2 * n3));
  std::size_t line = 6 + static_cast<std::size_t>(natoms);
  for (int i = 0; i < n1; ++i)
    for (int j = 0; j < n2; ++j)
      for (int k0 = 0; k0 < n3; k0 += 6, ++line)
        for (int k = k0; k < std::min(n3, k0 + 6); ++k)
          values[static_cast<std::size_t>(i + n1 * (j + n2 * k))] =
              std::strtod(lines.at(line).substr(static_cast<std::size_t>(13 * (k - k0)), 13).c_str(), nullptr);
  return values;
}

// The field of value (i, j, k) (0-based) in a written 5 x 5 x 5 cube with one atom.
std::string cube_field(const std::string& name, int i, int j, int k) {
  const std::vector<std::string> lines = lines_of(read_file(name));
  return lines.at(static_cast<std::size_t>(7 + i * 5 + j)).substr(static_cast<std::size_t>(13 * k), 13);
}

class RdgSection : public TempFolderTest {
 protected:
  static void copy_input(const std::string& name, const std::string& as = "") {
    fs::copy_file(fs::path(TESSARO_TEST_DATA) / "analysis" / name, as.empty() ? name : as,
                  fs::copy_options::overwrite_existing);
  }

  // All four jobs, both plots, RDG at every point, no space cutoff, gradient
  // and Laplacian computed.
  static void all_jobs(InputVariables& iv, int format) {
    iv.inp1_risp = {0, 0, 1};
    iv.inprdg_risp = {0, 0, 0};
    if (format >= 0) iv.inprdg_risp[static_cast<std::size_t>(format)] = 1;
    iv.calc_risp = {1, 1, 1, 1};
    iv.rhocube_inp = field("rho.cube", 35);
    iv.grad_calc = 1;
    iv.lapl_calc = 1;
    iv.rdg_risp = {1, 0, 0};
    iv.rdg_outname = field("mol", 30);
    iv.rdg_rispace = {1, 0, 0};
    iv.rhosign_outname = field("rs", 30);
    iv.e_outname = field("mol", 30);
    iv.duedplot = {1, 1, 0};
    iv.plot_name = field("plot.dat", 30);
  }

  // Runs the section; returns the exit status it ended with (0 when it returned).
  int run_section() {
    tessaro::Run run(console_);
    EXPECT_TRUE(run.open_report("report.txt"));
    run.input_variables = iv_;
    int status = 0;
    try {
      calc_stuff(run);
    } catch (const RunEnd& end) {
      status = end.status;
    }
    run.flush();
    iv_ = run.input_variables;
    report_ = read_file("report.txt");
    return status;
  }

  std::set<std::string> files() const { return folder_.names(); }

  std::ostringstream console_;
  InputVariables iv_;
  std::string report_;
};

const std::string kPlotCentre = "       0.404E-01            0.100E+01";

// Where the gradient came from. The hand-made grid has one interior point,
// its centre; every other point is on the border.
enum class Gradient { Computed, Read };

// The statistics of the hand-made grid with the RDG at every point: the
// centre has RDG 0.0404. A computed gradient leaves every border point out,
// so every isovalue holds the centre alone (rho 1, cell volume 1). A gradient
// read from a file is 0 on the border, so there the RDG is 0 too except at the
// two points of zero density, which keep the marker: every isovalue holds 123
// points and the density sums to 125 - 250/16 = 109.375. rho*sign(lambda2)
// sums to the centre's -1 either way.
void expect_hand_statistics(const InputVariables& iv, const std::vector<double>& g_values, Gradient gradient) {
  const bool read = gradient == Gradient::Read;
  for (std::size_t m = 0; m < 10; ++m) {
    EXPECT_EQ(iv.n01[m], read ? 123 : 1);
    EXPECT_EQ(iv.vol01[m], read ? 123.0 : 1.0);
    EXPECT_EQ(iv.rho01[m], read ? 109.375 : 1.0);
    EXPECT_EQ(iv.rhosi01[m], -1.0);
  }
  double g_sum = 0.0;
  for (double g : g_values) g_sum += g;
  EXPECT_NEAR(iv.g01[0], g_sum, 1e-5 * std::fabs(g_sum));
  // The local virial relation V = L/4 - 2G, summed: sum L = -1/8 (centre only).
  EXPECT_NEAR(iv.v01[0], 0.25 * -0.125 - 2.0 * iv.g01[0], 1e-12);
  EXPECT_NEAR(iv.h01[0], iv.g01[0] + iv.v01[0], 1e-12);
}

// With derivatives computed the border points have RDG 1.0E10 and energies
// 0; with both read they have RDG 0 and the energies of their density alone.
void expect_hand_results(const std::string& report, Gradient gradient) {
  const bool read = gradient == Gradient::Read;
  // Header: two blank title lines, then the density grid's own header.
  const std::vector<std::string> rdg_lines = lines_of(read_file("mol.cube"));
  ASSERT_EQ(rdg_lines.size(), 7u + 25u);
  EXPECT_EQ(rdg_lines[0], std::string(60, ' '));
  EXPECT_EQ(rdg_lines[2], "    1   -2.000000   -2.000000   -2.000000");
  EXPECT_EQ(rdg_lines[3], "    5    1.000000    0.000000    0.000000");
  EXPECT_EQ(rdg_lines[6], "    8    8.000000    0.000000    0.000000    0.000000");
  EXPECT_EQ(cube_field("mol.cube", 2, 2, 2), "  4.04051E-02");
  EXPECT_EQ(cube_field("mol.cube", 0, 0, 2), "  1.00000E+10");  // rho = 0: unselected
  EXPECT_EQ(cube_field("mol.cube", 0, 4, 2), "  1.00000E+10");
  EXPECT_EQ(cube_field("mol.cube", 0, 0, 1), read ? "  0.00000E+00" : "  1.00000E+10");  // border
  EXPECT_EQ(cube_field("rs.cube", 2, 2, 2), " -1.00000E+00");     // lambda2 = -1/8
  EXPECT_EQ(cube_field("rs.cube", 1, 2, 2), "  0.00000E+00");
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 2, 2), "  2.85127E+00");
  EXPECT_EQ(cube_field("mol_Vabr.cube", 2, 2, 2), " -5.73379E+00");
  EXPECT_EQ(cube_field("mol_Habr.cube", 2, 2, 2), " -2.88252E+00");
  // Border point with rho = 1 (x = 0, y = -2, z = -2): G = c_F exactly from
  // read derivatives (0 there).
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 0, 0), read ? "  2.87123E+00" : "  0.00000E+00");
  // Zero density under the every-point mask: energies 0, not NaN.
  EXPECT_EQ(cube_field("mol_Gabr.cube", 0, 0, 2), "  0.00000E+00");

  const std::vector<std::string> rho_plot = lines_of(read_file("rhoplot.dat"));
  const std::vector<std::string> rs_plot = lines_of(read_file("rhosignplot.dat"));
  ASSERT_EQ(rho_plot.size(), 125u);
  ASSERT_EQ(rs_plot.size(), 125u);
  // Plot lines in memory order: the centre is point 2 + 5*(2 + 5*2) = 62.
  EXPECT_EQ(rho_plot[62], kPlotCentre);
  EXPECT_EQ(rs_plot[62], "       0.404E-01           -0.100E+01");
  EXPECT_EQ(rho_plot[50], "       0.100E+11            0.000E+00");  // (1, 1, 3)
  EXPECT_EQ(rho_plot[0], read ? "       0.000E+00            0.250E+00" : "       0.100E+11            0.250E+00");
  EXPECT_EQ(rs_plot[0], read ? "       0.000E+00            0.000E+00" : "       0.100E+11            0.000E+00");
  EXPECT_EQ(report, "");  // nothing skipped, nothing mismatched
}

TEST_F(RdgSection, GoldenRunCub) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  ASSERT_EQ(run_section(), 0);
  const std::set<std::string> expected = {"rho.cube",      "report.txt",    "grad_numerical.cube", "lapl_numerical.cube",
                                          "mol.cube",      "rs.cube",       "mol_Gabr.cube",       "mol_Vabr.cube",
                                          "mol_Habr.cube", "rhoplot.dat",   "rhosignplot.dat",
                                          "rhoplot.dat.svg", "rhosignplot.dat.svg", "mol.vmd"};
  EXPECT_EQ(files(), expected);
  EXPECT_EQ(cube_field("grad_numerical.cube", 2, 2, 2), "  2.50000E-01");
  EXPECT_EQ(cube_field("grad_numerical.cube", 1, 2, 2), "  0.00000E+00");
  EXPECT_EQ(cube_field("lapl_numerical.cube", 2, 2, 2), " -1.25000E-01");
  expect_hand_results(report_, Gradient::Computed);
  expect_hand_statistics(iv_, cube_values("mol_Gabr.cube", 1, 5, 5, 5), Gradient::Computed);
}

// No format marked reads the grids as general cube files.
TEST_F(RdgSection, NoFormatReadsCub) {
  copy_input("rho.cube");
  all_jobs(iv_, -1);
  ASSERT_EQ(run_section(), 0);
  expect_hand_results(report_, Gradient::Computed);
}

// With calc and read both marked for the Laplacian the template's Laplacian
// file names are never read: the Laplacian is computed, nothing is opened.
TEST_F(RdgSection, LaplacianCalcWinsOverRead) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  iv_.lapl_read = 1;
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("lapl_numerical.cube", 2, 2, 2), " -1.25000E-01");
  expect_hand_results(report_, Gradient::Computed);
}

// GAU: the gradient and Laplacian cubes are read with their extra lines
// skipped (they hold 9999.9, which would spoil every result); the same
// results follow as from the computed derivatives.
TEST_F(RdgSection, GoldenRunGau) {
  copy_input("rho.cube");
  copy_input("gau_grad.cube", "grad.cube");
  copy_input("gau_lapl.cube", "lapl.cube");
  all_jobs(iv_, 1);
  iv_.grad_calc = iv_.lapl_calc = 0;
  iv_.grad_read = iv_.lapl_read = 1;
  iv_.gradcube_inp = field("grad.cube", 34);
  iv_.laplcube_inp = field("lapl.cube", 34);
  ASSERT_EQ(run_section(), 0);
  const std::set<std::string> expected = {"rho.cube",      "grad.cube",     "lapl.cube",     "report.txt",
                                          "mol.cube",      "rs.cube",       "mol_Gabr.cube", "mol_Vabr.cube",
                                          "mol_Habr.cube", "rhoplot.dat",   "rhosignplot.dat",
                                          "rhoplot.dat.svg", "rhosignplot.dat.svg", "mol.vmd"};
  EXPECT_EQ(files(), expected);
  expect_hand_results(report_, Gradient::Read);
  expect_hand_statistics(iv_, cube_values("mol_Gabr.cube", 1, 5, 5, 5), Gradient::Read);
}

// The border follows where each derivative came from: a gradient read from a
// file keeps its border RDG (0 there), while a computed Laplacian is no
// Laplacian on the border, so the energies there are 0.
TEST_F(RdgSection, BorderPointsFollowTheDerivativesOrigin) {
  copy_input("rho.cube");
  copy_input("gau_grad.cube", "grad.cube");
  all_jobs(iv_, 1);
  iv_.grad_calc = 0;
  iv_.grad_read = 1;
  iv_.gradcube_inp = field("grad.cube", 34);
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("mol.cube", 0, 0, 1), "  0.00000E+00");
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 0, 0), "  0.00000E+00");
  EXPECT_EQ(cube_field("mol_Habr.cube", 2, 0, 0), "  0.00000E+00");
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 2, 2), "  2.85127E+00");
  EXPECT_EQ(iv_.n01[0], 123);
}

// XD2: the density comes from the grd file in electrons per cubic angstrom;
// every result is written as cube and grd. Writing the rho*sign(lambda2) grd
// converts that grid back to electrons per cubic angstrom, and the plot and
// rhosi01 see the converted values while rs.cube holds atomic units.
TEST_F(RdgSection, GoldenRunXd2) {
  copy_input("xd_rho.cube", "rho.cube");
  copy_input("xd_rho.grd", "rho.grd");
  all_jobs(iv_, 0);
  iv_.rhogrd_inp = field("rho.grd", 27);
  ASSERT_EQ(run_section(), 0);
  const std::set<std::string> expected = {
      "rho.cube",      "rho.grd",       "report.txt",    "grad_numerical.cube", "lapl_numerical.cube",
      "mol.cube",      "mol.grd",       "rs.cube",       "rs.grd",              "mol_Gabr.cube",
      "mol_Vabr.cube", "mol_Habr.cube", "mol_Gabr.grd",  "mol_Vabr.grd",        "mol_Habr.grd",
      "rhoplot.dat",   "rhosignplot.dat", "rhoplot.dat.svg", "rhosignplot.dat.svg", "mol.vmd"};
  EXPECT_EQ(files(), expected);
  EXPECT_EQ(report_, "");
  const double f = 0.14818464289233146;  // electrons per cubic angstrom to per cubic bohr
  EXPECT_EQ(cube_field("rs.cube", 2, 2, 2), " -1.48185E-01");
  const std::vector<std::string> rs_grd = lines_of(read_file("rs.grd"));
  ASSERT_EQ(rs_grd.size(), 13u + 25u);
  EXPECT_EQ(rs_grd[6], "Values" + std::string(74, ' '));
  EXPECT_EQ(rs_grd[7], "Gridpoints: 5 5 5" + std::string(63, ' '));  // left-justified
  // Row (j = 3, k = 3), i fastest: only the centre is inside.
  EXPECT_EQ(rs_grd[13 + 12], "  0.0000000000E+00  0.0000000000E+00 -0.1000000000E+01  0.0000000000E+00  0.0000000000E+00");
  const std::vector<std::string> rs_plot = lines_of(read_file("rhosignplot.dat"));
  const std::vector<std::string> rho_plot = lines_of(read_file("rhoplot.dat"));
  ASSERT_EQ(rs_plot.size(), 125u);
  EXPECT_EQ(rs_plot[62].substr(26), " -0.100E+01");
  EXPECT_EQ(rho_plot[62].substr(26), "  0.148E+00");
  // The gradient is computed: only the centre (rho 1 e/A^3) counts.
  for (std::size_t m = 0; m < 10; ++m) {
    EXPECT_EQ(iv_.n01[m], 1);
    EXPECT_NEAR(iv_.rhosi01[m], -1.0, 1e-15);
    EXPECT_NEAR(iv_.rho01[m], f, 1e-15);
  }
  // The grd writer never converts the RDG or the energies.
  const std::vector<std::string> rdg_grd = lines_of(read_file("mol.grd"));
  ASSERT_EQ(rdg_grd.size(), 38u);
  EXPECT_EQ(rdg_grd[13 + 10].substr(0, 18), "  0.1000000000E+11");  // (1, 1, 3): rho = 0
}

TEST_F(RdgSection, SmallGridSkipsJobsThatNeedDerivatives) {
  // A 4 x 5 x 5 cut of the hand-made grid (its first four planes of i).
  std::vector<std::string> lines = lines_of(read_file(std::string(TESSARO_TEST_DATA) + "/analysis/rho.cube"));
  lines[3] = "    4    1.000000    0.000000    0.000000";
  std::string cut;
  for (std::size_t n = 0; n < 7 + 20; ++n) cut += lines[n] + '\n';
  write_file("rho.cube", cut);
  all_jobs(iv_, 2);
  iv_.n01.fill(7);
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"rho.cube", "report.txt"}));
  const std::string why = " (the grid has less than 5 points in one of the three directions)\n";
  EXPECT_EQ(report_, " RDG SKIPPED: no gradient grid" + why +
                         " ABRAMOV ENERGY SKIPPED: no gradient grid" + why +
                         " rho VS RDG PLOT SKIPPED: no gradient grid" + why +
                         " rho*sign(lambda2) VS RDG PLOT SKIPPED: no gradient grid" + why);
  EXPECT_EQ(iv_.n01, (std::array<std::int32_t, 10>{}));
}

TEST_F(RdgSection, SmallGridWithReadGradientSkipsOnlyTheHessianJobs) {
  std::vector<std::string> rho = lines_of(read_file(std::string(TESSARO_TEST_DATA) + "/analysis/rho.cube"));
  rho[3] = "    4    1.000000    0.000000    0.000000";
  std::string a, b;
  for (std::size_t n = 0; n < 7 + 20; ++n) {
    a += rho[n] + '\n';
    b += (n < 7 ? rho[n] : "  1.00000E-01  1.00000E-01  1.00000E-01  1.00000E-01  1.00000E-01") + '\n';
  }
  write_file("rho.cube", a);
  write_file("grad.cube", b);
  all_jobs(iv_, 2);
  iv_.calc_risp = {1, 1, 0, 1};
  iv_.grad_calc = 0;
  iv_.grad_read = 1;
  iv_.gradcube_inp = field("grad.cube", 34);
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"rho.cube", "grad.cube", "report.txt", "mol.cube", "rhoplot.dat", "rhoplot.dat.svg"}));
  const std::string why = " (the grid has less than 5 points in one of the three directions)\n";
  EXPECT_EQ(report_, " rho*sign(lambda2) VS RDG PLOT SKIPPED: no rho*sign(lambda2) grid" + why +
                         " rho*sign(lambda2) ISOSURFACE STATISTICS SKIPPED: no rho*sign(lambda2) grid" + why);
  EXPECT_EQ(lines_of(read_file("rhoplot.dat")).size(), 100u);
  EXPECT_GT(iv_.n01[9], 0);
  EXPECT_EQ(iv_.rhosi01[9], 0.0);
}

TEST_F(RdgSection, StatisticsZeroWithoutRdg) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  iv_.calc_risp = {0, 1, 1, 1};
  iv_.rdg_risp = {0, 0, 0};
  iv_.rdg_rispace = {0, 0, 0};
  iv_.n01.fill(3);
  iv_.rho01.fill(1.0);
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(iv_.n01, (std::array<std::int32_t, 10>{}));
  EXPECT_EQ(iv_.rho01, (std::array<double, 10>{}));
  // The plots still rebuild the RDG at every point (no mode: none).
  EXPECT_EQ(lines_of(read_file("rhoplot.dat"))[62], kPlotCentre);
  EXPECT_FALSE(fs::exists("mol.cube"));
}

// An RDG restricted to a density range writes the restricted grid, but a plot
// rebuilds it at every point and the statistics follow the rebuilt grid.
TEST_F(RdgSection, PlotRebuildFeedsStatistics) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  iv_.calc_risp = {1, 0, 0, 0};
  iv_.rdg_risp = {0, 1, 0};
  // The range leaves out the centre (rho 1), the only point with a computed
  // gradient; so does the RDG written, and the statistics count nothing.
  iv_.rhocutoff = {0.01f, 0.5f};
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("mol.cube", 2, 2, 2), "  1.00000E+10");
  EXPECT_EQ(iv_.n01[9], 0);

  // The plot's rebuild takes every point: the centre counts.
  iv_.calc_risp = {1, 0, 0, 1};
  iv_.duedplot = {1, 0, 0};
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("mol.cube", 2, 2, 2), "  1.00000E+10");
  EXPECT_EQ(iv_.n01[0], 1);
  EXPECT_EQ(iv_.rho01[0], 1.0);
}

// RDG_p masks rho*sign(lambda2) and the energies with the RDG; without the
// RDG job it falls back to every point.
TEST_F(RdgSection, RdgPointsMask) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  iv_.calc_risp = {1, 1, 1, 0};
  iv_.rdg_risp = {0, 1, 0};
  iv_.rhocutoff = {0.01f, 0.5f};  // leaves the centre (rho = 1) out
  iv_.rhosign_points = 1;
  iv_.e_points = 1;
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("rs.cube", 2, 2, 2), "  0.00000E+00");
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 2, 2), "  0.00000E+00");
  EXPECT_EQ(iv_.rhosi01, (std::array<double, 10>{}));

  iv_.calc_risp = {0, 1, 1, 0};
  ASSERT_EQ(run_section(), 0);
  EXPECT_EQ(cube_field("rs.cube", 2, 2, 2), " -1.00000E+00");
  EXPECT_EQ(cube_field("mol_Gabr.cube", 2, 2, 2), "  2.85127E+00");
}

TEST_F(RdgSection, MissingInputFilesStopTheRun) {
  all_jobs(iv_, 2);
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report_, " rho.cube" + std::string(27, ' ') + " file cannot be opened, program stop\n");

  copy_input("xd_rho.cube", "rho.cube");
  copy_input("xd_rho.grd", "rho.grd");
  all_jobs(iv_, 0);
  iv_.rhogrd_inp = field("rho.grd", 27);
  iv_.grad_calc = 0;
  iv_.grad_read = 1;
  iv_.gradcube_inp = field("rho.cube", 34);
  iv_.gradgrd_inp = field("grad.grd", 26);
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report_, " grad.grd" + std::string(18, ' ') + " file cannot be opened, program stop\n");
  EXPECT_FALSE(fs::exists("mol.cube"));
}

TEST_F(RdgSection, RejectedCubeHeaderStopsTheRunWithOneLineInReportAndConsole) {
  write_file("rho.cube", " t\n t\n   -1    0.000000    0.000000    0.000000\n");
  all_jobs(iv_, 2);
  EXPECT_EQ(run_section(), 1);
  const std::string line =
      " cube file rho.cube, line 3: the atom count -1 is negative (cube files with orbital data are not supported),"
      " PROGRAM STOP\n";
  EXPECT_EQ(report_, line);
  EXPECT_EQ(console_.str(), line);
}

TEST_F(RdgSection, OutputFileThatCannotBeOpenedStopsTheRun) {
  copy_input("rho.cube");
  all_jobs(iv_, 2);
  iv_.rdg_outname = field("no_such_folder/mol", 30);
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report_, " no_such_folder/mol.cube file cannot be opened, program stop\n");
}

// The program itself on a template of the RDG section in GAU mode: the report
// ends with the statistics table of the hand-made grid.
TEST_F(RdgSection, TemplateRunWritesStatisticsTable) {
  copy_input("rho.cube");
  copy_input("gau_grad.cube", "grad.cube");
  copy_input("gau_lapl.cube", "lapl.cube");
  write_file("in.inp", "OUTPUT_FILE_NAME report.txt\n"
                       "SECTIONS  WFN  TOP *RDG\n"
                       "RDG,RHO*(signL2) AND ABRAMOV\n"
                       "INPUT  XD2 *GAU  CUB\n"
                       "CALCULATING *RDG *rho *Abr *plo\n"
                       "RHO_INPUT_CUBE rho.cube\n"
                       "GRAD=  calc *read\n"
                       "GRAD_INPUT_CUBE grad.cube\n"
                       "LAPL=  calc *read\n"
                       "LAPL_INPUT_CUBE lapl.cube\n"
                       "RDG_CALCULATION *all_p  rho_c  rhosi\n"
                       "RDG_OUTPUT mol\n"
                       "SPACE_CUTOFF *none  atom  exte\n"
                       "RHO_SIGN_CALCULATION  RDG_p\n"
                       "RHO_SIGN_OUTPUT rs\n"
                       "ENERGY_CALCULATION  RDG_p\n"
                       "ENERGY_OUTPUT mol\n"
                       "2DPLOT *rho *rhosign\n"
                       "PLOT_NAME plot.dat\n");
  ASSERT_EQ(run_binary("in.inp > console.txt 2>&1"), 0) << read_file("console.txt");
  expect_hand_results("", Gradient::Read);
  const std::vector<std::string> report = lines_of(read_file("report.txt"));
  ASSERT_GE(report.size(), 12u);
  EXPECT_EQ(report[report.size() - 12], " REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS");
  EXPECT_EQ(report[report.size() - 10].substr(0, 80),
            "       0.1     |            123| 1.23000000E+02| 1.09375000E+02| -1.0000000E+00|");
  EXPECT_EQ(report.back().substr(0, 80),
            "       1.0     |            123| 1.23000000E+02| 1.09375000E+02| -1.0000000E+00|");
}

}  // namespace
}  // namespace tessaro::testing
