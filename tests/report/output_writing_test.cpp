// The section summaries of the run report, compared whole against texts worked
// out by hand from the report's line lists (free-form lines begin with one
// blank; a 4-byte integer takes 11 columns, a single-precision real 15: F11.d
// and four blanks in the fixed range).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include "input/template_fixture.hpp"
#include "input/template_text.hpp"
#include "main/banner.hpp"
#include "report/output_writing.hpp"
#include "run/input_variables.hpp"

namespace tessaro {
namespace {

// A text field as the input reader leaves it: the name padded with blanks.
std::string field(const std::string& name, std::size_t length) {
  std::string out = name;
  out.resize(length, ' ');
  return out;
}

const std::string kBang49(49, '!');
const std::string kBang61(61, '!');
const std::string kWarning =
    " (WARNING:if the input grid file has less than 5 points in any of the three cartesian directions, ";

// ---------------------------------------------------------------------------
// WFN summary

InputVariables wfn_run() {
  InputVariables iv;
  iv.wfn_inpname = field("water.wfn", 33);
  iv.wfn_outname = field("water", 33);
  iv.wfn_risp = {1, 1, 1, 1};
  iv.n_puntix = 40;
  iv.n_puntiy = 41;
  iv.n_puntiz = 120;
  iv.orient_matr[0][0] = 0.25f;
  iv.orient_matr[1][1] = 0.5f;
  iv.orient_matr[2][2] = 1.5f;
  return iv;
}

const std::string kWfnHead = " " + kBang49 + "\n" + " !!!!!!!!!!PROPERTIES FROM WAVEFUNCTION!!!!!!!!!!!\n" + " " + kBang49 + "\n" +
                             "\n\n" + " input wavefunction:   water.wfn" + std::string(24, ' ') + "\n" +
                             " properties to be evaluated:\n";
const std::string kWfnTail = std::string("\n") + " number of points in the 3 directions(x,y,z respectively):\n" +
                             "          40          41         120\n" + "\n" +
                             " stepsize (au) in x,y,z direction, respectively:\n" +
                             "  0.25000000      0.50000000       1.5000000    \n";

TEST(ReportWfnSummary, AllFourQuantities) {
  std::string expected = kWfnHead +
                         " - electron density\n"
                         "    output file:  water_rho.cube\n"
                         " - electron density gradient\n"
                         "    output file:  water_gradrho.cube\n"
                         " - electron density laplacian\n"
                         "    output file:  water_laplrho.cube\n"
                         " - energy density\n"
                         "    output files:  \n"
                         " kinetic energy density:water_G.cube\n"
                         " potential energy density:water_V.cube\n"
                         " total energy density:water_H.cube\n" +
                         kWfnTail;
  EXPECT_EQ(section_summary(wfn_run(), Section::Wfn), expected);
}

TEST(ReportWfnSummary, DensityOnlyListsNothingElse) {
  InputVariables iv = wfn_run();
  iv.wfn_risp = {1, 0, 0, 0};
  std::string expected = kWfnHead +
                         " - electron density\n"
                         "    output file:  water_rho.cube\n" +
                         kWfnTail;
  EXPECT_EQ(section_summary(iv, Section::Wfn), expected);
}

// ---------------------------------------------------------------------------
// TOP summary

InputVariables top_run(std::int32_t n_grid, std::int32_t n_symm) {
  InputVariables iv;
  iv.n_grid = n_grid;
  iv.grd_top_name1 = field("rho.grd", 30);
  iv.grd_top_name2 = field("lap.grd", 30);
  iv.grd_top_name3 = field("grad.grd", 30);
  iv.cubeout1 = field("rho", 30);
  iv.cubeout2 = field("lap", 30);
  iv.cubeout3 = field("grad", 30);
  iv.crys_out = field("urea.out", 30);
  iv.n_symm = n_symm;
  iv.create_symmetry_arrays(n_symm);
  return iv;
}

const std::string kTopBanner = "\n\n\n\n " + kBang61 + "\n" +
                               " !!!!!!!!!!!!!!!TOPOND TO CUBE CONVERSION!!!!!!!!!!!!!!!!!!!!!\n" + " " + kBang61 +
                               "\n\n\n";
const std::string kTopAtoms = std::string("\n") + " ATOMS WRITTEN IN THE CUBE FILE(S):\n" + " \n" +
                              " urea.out                          file read from crystal(atomic coordinates)\n" +
                              " \n" + " atomic coordinates in the output cube file generated \n" +
                              " by applying the following symmetry operation(s):\n";

TEST(ReportTopSummary, ThreeGridsAndTwoOperations) {
  InputVariables iv = top_run(3, 2);
  // x+1/2,-y,z and -x,-y,z+1/2
  iv.symm(1, 1, 1) = 1;
  iv.symm(1, 2, 2) = -1;
  iv.symm(1, 3, 3) = 1;
  iv.tr(1, 1) = 0.5;
  iv.symm(2, 1, 1) = -1;
  iv.symm(2, 2, 2) = -1;
  iv.symm(2, 3, 3) = 1;
  iv.tr(2, 3) = 0.5;
  std::string expected = kTopBanner + "           3  file(s) will converted from topond format to cube format.\n" +
                         " \n"
                         " rho.grd                         grid file read as input\n"
                         " name of the written cube file:   rho.cube\n"
                         " \n"
                         " lap.grd                         grid file read as input\n"
                         " name of the written cube file:   lap.cube\n"
                         " \n"
                         " grad.grd                        grid file read as input\n"
                         " name of the written cube file:   grad.cube\n" +
                         kTopAtoms +
                         " \n"
                         "+x+0.50,-y,+z, \n"
                         "-x,-y,+z+0.50,\n";
  EXPECT_EQ(section_summary(iv, Section::Top), expected);
}

TEST(ReportTopSummary, TwoGridsKeepThreeOneBlankLines) {
  InputVariables iv = top_run(2, 0);
  std::string expected = kTopBanner + "           2  file(s) will converted from topond format to cube format.\n" +
                         " \n"
                         " rho.grd                         grid file read as input\n"
                         " name of the written cube file:   rho.cube\n"
                         " \n"
                         " lap.grd                         grid file read as input\n"
                         " name of the written cube file:   lap.cube\n"
                         " \n" +
                         kTopAtoms + "\n";
  EXPECT_EQ(section_summary(iv, Section::Top), expected);
}

TEST(ReportTopSummary, MoreThanThreeGridsListsThree) {
  std::string text = section_summary(top_run(5, 0), Section::Top);
  EXPECT_NE(text.find("           5  file(s) will"), std::string::npos);
  EXPECT_NE(text.find(" grad.grd "), std::string::npos);
  EXPECT_NE(text.find("name of the written cube file:   grad.cube\n\n ATOMS"), std::string::npos);
}

// The part of a section's summary after its first `heading`.
std::string summary_after(const InputVariables& iv, Section section, const std::string& heading) {
  const std::string text = section_summary(iv, section);
  const std::size_t at = text.find(heading);
  return at == std::string::npos ? "<missing: " + heading + ">" : text.substr(at + heading.size());
}

// The lines after "by applying the following symmetry operation(s):".
std::string operation_lines(const InputVariables& iv) {
  return summary_after(iv, Section::Top, "by applying the following symmetry operation(s):\n");
}

TEST(ReportTopSummary, SymmetryOperationLines) {
  // n_symm 0: one empty line and nothing else.
  EXPECT_EQ(operation_lines(top_run(1, 0)), "\n");
  {
    // x,y,z and -x,-y,z+1/2: the blank that ends the first line comes from
    // the second operation.
    InputVariables iv = top_run(1, 2);
    iv.symm(1, 1, 1) = 1;
    iv.symm(1, 2, 2) = 1;
    iv.symm(1, 3, 3) = 1;
    iv.symm(2, 1, 1) = -1;
    iv.symm(2, 2, 2) = -1;
    iv.symm(2, 3, 3) = 1;
    iv.tr(2, 3) = 0.5;
    EXPECT_EQ(operation_lines(iv), " \n+x,+y,+z, \n-x,-y,+z+0.50,\n");
  }
  {
    // y-1/2,x,-z; then x-y,x+y+z,-1/3-z (two- and three-term components,
    // a fraction rounded to two decimals).
    InputVariables iv = top_run(1, 2);
    iv.symm(1, 2, 1) = 1;
    iv.tr(1, 1) = -0.5;
    iv.symm(1, 1, 2) = 1;
    iv.symm(1, 3, 3) = -1;
    iv.symm(2, 1, 1) = 1;
    iv.symm(2, 2, 1) = -1;
    iv.symm(2, 1, 2) = 1;
    iv.symm(2, 2, 2) = 1;
    iv.symm(2, 3, 2) = 1;
    iv.symm(2, 3, 3) = -1;
    iv.tr(2, 3) = -static_cast<double>(1.0f / 3.0f);
    EXPECT_EQ(operation_lines(iv), " \n+y-0.50,+x,-z, \n+x-y,+x+y+z,-z-0.33,\n");
  }
  {
    // x,y (empty third component): the problem text joins the line after a
    // blank and ends it; the component's comma opens the next line.
    InputVariables iv = top_run(1, 1);
    iv.symm(1, 1, 1) = 1;
    iv.symm(1, 2, 2) = 1;
    EXPECT_EQ(operation_lines(iv),
              " \n+x,+y, TOPOND SECTION, SYMMETRY OPERATION:problem in the reading process....\n,\n");
  }
  {
    // A translation without terms still follows the problem text; a
    // translation of 10 or more does not fit F4.2.
    InputVariables iv = top_run(1, 1);
    iv.symm(1, 1, 1) = 1;
    iv.tr(1, 1) = 12.0;
    iv.tr(1, 2) = 0.25;
    iv.tr(1, 3) = -9.999;
    EXPECT_EQ(operation_lines(iv),
              " \n+x+****, TOPOND SECTION, SYMMETRY OPERATION:problem in the reading process....\n"
              "+0.25, TOPOND SECTION, SYMMETRY OPERATION:problem in the reading process....\n"
              "-****,\n");
  }
}

TEST(ReportTopSummary, ArraysOfAnotherCountPrintNoOperation) {
  InputVariables iv = top_run(1, 2);
  iv.n_symm = 3;  // arrays hold two operations only
  EXPECT_EQ(operation_lines(iv), "\n");
}

// ---------------------------------------------------------------------------
// RDG summary

const std::string kRdgBanner = "\n\n\n\n " + kBang61 + "\n" +
                               " !!!!!!!!!!RDG,RHO*(signL2) AND ABRAMOV S ENERGY!!!!!!!!!!!!!!\n" + " " + kBang61 +
                               "\n\n\n";

// XD2 input, gradient computed, Laplacian read, every job on: RDG in a density
// range with the atom cutoff, rho*sign(lambda2) at the RDG points, Abramov
// energies everywhere, the plots; statistics in every column.
InputVariables full_rdg_run() {
  InputVariables iv;
  iv.inprdg_risp = {1, 0, 0};
  iv.calc_risp = {1, 1, 1, 1};
  iv.rhocube_inp = field("dens.cube", 35);
  iv.rhogrd_inp = field("dens.grd", 27);
  iv.grad_calc = 1;
  iv.lapl_read = 1;
  iv.laplcube_inp = field("lap.cube", 34);
  iv.laplgrd_inp = field("lap.grd", 26);
  iv.rdg_risp = {0, 1, 0};
  iv.rhocutoff = {0.125f, 2.5f};
  iv.rdg_outname = field("mol", 30);
  iv.rdg_rispace = {0, 1, 0};
  iv.spacecutoff = 3.0f;
  iv.rhosign_points = 1;
  iv.rhosign_outname = field("mols", 30);
  iv.e_points = 0;
  iv.e_outname = field("mole", 30);
  iv.duedplot = {0, 1, 0};
  iv.plot_name = field("plot.dat", 30);
  // Row 1 all zero, row 2 small values, row 10 large ones, rows 3-9 zero.
  iv.n01[1] = 12;
  iv.vol01[1] = 0.096;
  iv.rho01[1] = 1.5e-3;
  iv.rhosi01[1] = -1.5e-3;
  iv.g01[1] = 2.5e-4;
  iv.v01[1] = -5e-4;
  iv.h01[1] = -2.5e-4;
  iv.n01[9] = 123456789;
  iv.vol01[9] = 987.654321;
  iv.rho01[9] = 12.5;
  iv.rhosi01[9] = -0.03125;
  iv.g01[9] = 1e-10;
  iv.v01[9] = -2e-10;
  iv.h01[9] = -1e-10;
  return iv;
}

TEST(ReportRdgSummary, FullRunWithXd2AndEveryJob) {
  std::string zero_row_tail =
      "     |              0| 0.00000000E+00| 0.00000000E+00|  0.0000000E+00|  0.0000000E+00|  0.0000000E+00|"
      "  0.0000000E+00| \n";
  std::string expected =
      kRdgBanner + " input grid files from XD2006\n" + "\n\n" + " dens.cube   ED cube file read as input\n" +
      " dens.grd   XD2006 grd file read as input\n" +
      " ED-gradient calcualted numerically and written in: \"grad_numerical.cube\"\n" + kWarning +
      "gradient cannot be calculated)\n" + "\n" + " lap.cube  ED-laplacian cube file read as input\n" +
      " lap.grd   ED-laplacian XD2006 grd file read as input\n" + "\n" + "\n\n\n" +
      " RDG calculated for the points of the grid files having ED in the range:   0.12500000     -   2.5000000    \n" +
      " space cutoff: points having a distance greater than    3.0000000     a.u. from every atoms are not "
      "considered\n" +
      "\n" + " RDG cube file to be written: mol.cube\n" + " RDG grd grid file to be written: mol.grd\n" + "\n" +
      " rho*sign(lambda2) calculated in the points where RDG has been calculated\n" + "\n" +
      " rho*sign(lambda2) cube file to be written: mols.cube\n" + "\n" +
      " rho*sign(lambda2) cube file to be written: mols.grd\n" + kWarning + "rho*sign(L2) cannot be calculated)\n" +
      "\n" + "\n" + " Abramov energy functional grid files calculated in all the points of the cube\n" +
      " Abramov's energy functional cube files to be written: \n" + " kinetic energy density:mole_Gabr.cube\n" +
      " potential energy density:mole_Vabr.cube\n" + " total energy density:mole_Habr.cube\n" +
      " Abramov's energy functional grd grid files to be written: \n" + " kinetic energy density:mole_Gabr.grd\n" +
      " potential energy density:mole_Vabr.grd\n" + " total energy density:mole_Habr.grd\n" +
      " RDG VS ED plot will be calculated and written on : rhoplot.dat" + std::string(22, ' ') + "\n" +
      " RDG VS ED*sign(lambda2) plot will be calculated and written on: rhosignplot.dat" + std::string(22, ' ') +
      "\n" + "\n\n\n\n" + " REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS\n" +
      "    RDG max    |   N. POINTS   |     VOLUME    |      RHO      |    RHOSIGN    | ABR. KIN. EN. | ABR. POT. "
      "EN. | ABR. TOT. EN. | \n" +
      "       0.1" + zero_row_tail +
      "       0.2     |             12| 9.60000000E-02| 1.50000000E-03| -1.5000000E-03|  2.5000000E-04| "
      "-5.0000000E-04| -2.5000000E-04| \n" +
      "       0.3" + zero_row_tail + "       0.4" + zero_row_tail + "       0.5" + zero_row_tail + "       0.6" +
      zero_row_tail + "       0.7" + zero_row_tail + "       0.8" + zero_row_tail + "       0.9" + zero_row_tail +
      "       1.0     |      123456789| 9.87654321E+02| 1.25000000E+01| -3.1250000E-02|  1.0000000E-10| "
      "-2.0000000E-10| -1.0000000E-10| \n";
  EXPECT_EQ(section_summary(full_rdg_run(), Section::Rdg), expected);
}

TEST(ReportRdgSummary, RdgSwitchedOffStillNamesTheGradientCube) {
  // The input reader switched RDG off (no gradient source): the gradient line
  // quotes the empty name, and neither RDG lines nor the table follow.
  InputVariables iv;
  iv.inprdg_risp = {0, 1, 0};
  iv.rhocube_inp = field("d.cube", 35);
  iv.lapl_calc = 1;
  std::string expected = kRdgBanner + " input cube files from GAUSSIAN\n" + "\n\n" +
                         " d.cube   ED cube file read as input\n" + "   ED-gradient cube file read as input\n" +
                         "\n" + " ED-laplacian calcualted numerically and written in: \"lapl_numerical.cube\"\n" +
                         kWarning + "gradient cannot be calculated)\n" + "\n" + "\n\n\n" + "\n" + "\n";
  EXPECT_EQ(section_summary(iv, Section::Rdg), expected);
}

TEST(ReportRdgSummary, CubeInputAllPointsExternalCutoffAndReadDerivatives) {
  InputVariables iv;
  iv.inprdg_risp = {0, 0, 1};
  iv.calc_risp = {1, 0, 0, 1};
  iv.rhocube_inp = field("d.cube", 35);
  iv.rhogrd_inp = field("never.grd", 27);  // not quoted without XD2
  iv.grad_read = 1;
  iv.gradcube_inp = field("g.cube", 34);
  iv.lapl_read = 1;
  iv.laplcube_inp = field("l.cube", 34);
  iv.rdg_risp = {1, 0, 0};
  iv.rdg_rispace = {0, 0, 1};
  iv.spacecutoff = 0.5f;
  iv.rdg_outname = field("out", 30);
  iv.plot_name = field("p", 30);
  std::string text = section_summary(iv, Section::Rdg);
  std::string expected_middle =
      std::string(" general cube file read as input\n") + "\n\n" + " d.cube   ED cube file read as input\n" +
      " g.cube  ED-gradient cube file read as input\n" + "\n" + " l.cube  ED-laplacian cube file read as input\n" +
      "\n" + "\n\n\n" + " RDG calculated for all the points of the grid file\n" +
      " space cutoff: points lying outside the most external atomic coordinates more than  0.50000000     a.u. are "
      "not considered\n" +
      "\n" + " RDG cube file to be written: out.cube\n" + "\n" + "\n" +
      " RDG VS ED plot will be calculated and written on : rhop" + std::string(29, ' ') + "\n" +
      " RDG VS ED*sign(lambda2) plot will be calculated and written on: rhosignp" + std::string(29, ' ') + "\n" +
      "\n\n\n\n" + " REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS\n" +
      "    RDG max    |   N. POINTS   |     VOLUME    |      RHO      | \n" +
      "       0.1     |              0| 0.00000000E+00| 0.00000000E+00| \n";
  ASSERT_GE(text.size(), kRdgBanner.size());
  EXPECT_EQ(text.substr(0, kRdgBanner.size()), kRdgBanner);
  EXPECT_EQ(text.substr(kRdgBanner.size(), expected_middle.size()), expected_middle);
  EXPECT_EQ(text.find("never.grd"), std::string::npos);
}

TEST(ReportRdgSummary, SignedDensityRangeAndEnergiesAtRdgPoints) {
  InputVariables iv;
  iv.inprdg_risp = {0, 1, 0};
  iv.calc_risp = {1, 0, 1, 0};
  iv.grad_calc = 1;
  iv.lapl_calc = 1;
  iv.rdg_risp = {0, 0, 1};
  iv.rhocutoff = {-0.5f, 0.75f};
  iv.e_points = 1;
  iv.e_outname = field("e", 30);
  std::string text = section_summary(iv, Section::Rdg);
  EXPECT_NE(text.find("\n RDG calculated for the points of the grid files having ED*sign(lambda2) in the range "
                      "-0.50000000     -  0.75000000    \n"),
            std::string::npos);
  EXPECT_NE(text.find("\n RDG cube file to be written: .cube\n\n\n\n Abramov energy functional grid files calculated "
                      "in the points where RDG has been calculated\n"),
            std::string::npos);
  EXPECT_EQ(text.find("grd"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Statistics table

// The table, from the line after its title to the end of the summary.
std::string table_rows(const InputVariables& iv) {
  return summary_after(iv, Section::Rdg, "\n\n\n\n\n REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS\n");
}

InputVariables table_run(std::int32_t rho, std::int32_t abramov) {
  InputVariables iv;
  iv.inprdg_risp = {0, 1, 0};
  iv.calc_risp = {1, rho, abramov, 0};
  iv.grad_calc = 1;
  iv.lapl_calc = 1;
  iv.rdg_risp = {1, 0, 0};
  for (int m = 0; m < 10; ++m) {
    iv.n01[static_cast<std::size_t>(m)] = (m + 1) * 1000;
    iv.vol01[static_cast<std::size_t>(m)] = 0.5 * (m + 1);
    iv.rho01[static_cast<std::size_t>(m)] = 0.25 * (m + 1);
    iv.rhosi01[static_cast<std::size_t>(m)] = -0.25 * (m + 1);
    iv.g01[static_cast<std::size_t>(m)] = 0.125 * (m + 1);
    iv.v01[static_cast<std::size_t>(m)] = -0.25 * (m + 1);
    iv.h01[static_cast<std::size_t>(m)] = -0.125 * (m + 1);
  }
  return iv;
}

TEST(ReportStatisticsTable, RdgAndAbramovWithoutRhosign) {
  std::string rows = table_rows(table_run(0, 1));
  std::string header =
      "    RDG max    |   N. POINTS   |     VOLUME    |      RHO      | ABR. KIN. EN. | ABR. POT. EN. | ABR. TOT. EN. "
      "| \n";
  EXPECT_EQ(header.size(), 64u + 48u + 2u);
  std::string first = "       0.1     |           1000| 5.00000000E-01| 2.50000000E-01|  1.2500000E-01| -2.5000000E-01|"
                      " -1.2500000E-01| \n";
  std::string last = "       1.0     |          10000| 5.00000000E+00| 2.50000000E+00|  1.2500000E+00| -2.5000000E+00|"
                     " -1.2500000E+00| \n";
  ASSERT_EQ(rows.size(), header.size() + 10 * first.size());
  EXPECT_EQ(rows.substr(0, header.size()), header);
  EXPECT_EQ(rows.substr(header.size(), first.size()), first);
  EXPECT_EQ(rows.substr(rows.size() - last.size()), last);
  EXPECT_EQ(rows.substr(header.size() + 6 * first.size(), 20), "       0.7     |    ");
}

TEST(ReportStatisticsTable, RhosignColumnAlone) {
  std::string rows = table_rows(table_run(1, 0));
  EXPECT_EQ(rows.substr(0, 82),
            "    RDG max    |   N. POINTS   |     VOLUME    |      RHO      |    RHOSIGN    | \n");
  EXPECT_EQ(rows.substr(82, 82),
            "       0.1     |           1000| 5.00000000E-01| 2.50000000E-01| -2.5000000E-01| \n");
  EXPECT_EQ(rows.size(), 11u * 82u);
}

TEST(ReportStatisticsTable, ValuesThatDoNotFitAreAsterisks) {
  InputVariables iv = table_run(0, 0);
  iv.n01[0] = -5;
  iv.vol01[0] = -1.0;  // ES14.8 has no room for a sign
  iv.rho01[0] = -0.5;
  iv.n01[1] = 2147483647;
  std::string rows = table_rows(iv);
  std::size_t header = 66;
  EXPECT_EQ(rows.substr(header, 66),
            "       0.1     |             -5| **************| **************| \n");
  EXPECT_EQ(rows.substr(2 * header, 66),
            "       0.2     |     2147483647| 1.00000000E+00| 5.00000000E-01| \n");
}

// ---------------------------------------------------------------------------
// Writing into the report

class ReportRun : public testing::InputTemplate {};
using testing::ProgramResult;
using testing::read_file;
namespace fs = std::filesystem;

// The text after `label` on the line, without trailing blanks and quotes.
std::string quoted_name(const std::string& line, std::string_view label) {
  std::string name = line.substr(line.find(label) + label.size());
  name = trimmed(name);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  return name;
}

// A whole run of the shipped template with every WFN quantity and every RDG
// job on a small box: the summaries follow the banner in the order the
// sections ran, and every file name they quote is a file the run wrote.
TEST_F(ReportRun, SummariesFollowTheBannerAndQuoteTheFilesWritten) {
  fs::copy_file(std::string(TESSARO_TEST_DATA) + "/wavefunction/water_dimer.wfn", "molecule.wfn");
  std::string text(input_template());
  const auto replace = [&text](const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  };
  replace("CALCULATING *rho  gra  lap  ene", "CALCULATING *rho *gra *lap *ene");
  for (const char* axis : {"X", "Y", "Z"}) {
    replace(std::string("N_POINTS_") + axis + " 41", std::string("N_POINTS_") + axis + " 11");
    replace(std::string("STEPSIZE_") + axis + " 0.25", std::string("STEPSIZE_") + axis + " 1.0");
  }
  const ProgramResult r = run_template(text);
  ASSERT_EQ(r.status, 0) << r.err;

  const std::string report = read_file("report.txt");
  ASSERT_EQ(report.rfind(banner_text(), 0), 0u);
  const std::size_t wfn = report.find("PROPERTIES FROM WAVEFUNCTION", banner_text().size());
  EXPECT_NE(wfn, std::string::npos);
  EXPECT_NE(report.find("RDG,RHO*(signL2) AND ABRAMOV S ENERGY", wfn), std::string::npos);

  const std::array<std::string_view, 6> labels = {"output file:  ", "energy density:", "to be written: ",
                                                  "written on : ", "written on: ", "written in: "};
  std::istringstream lines(report);
  std::size_t quoted = 0;
  for (std::string line; std::getline(lines, line);) {
    for (std::string_view label : labels) {
      if (line.find(label) == std::string::npos) continue;
      const std::string name = quoted_name(line, label);
      if (name.empty()) continue;  // the heading of a list of names
      EXPECT_TRUE(fs::exists(name)) << "the report quotes " << name;
      ++quoted;
    }
  }
  // Six WFN cubes, the RDG and rho*sign(lambda2) cubes, three Abramov cubes,
  // two plots, the computed gradient and Laplacian.
  EXPECT_EQ(quoted, 15u);
}

}  // namespace
}  // namespace tessaro
