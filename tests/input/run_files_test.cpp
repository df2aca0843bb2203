#include "input/run_files.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/template_fixture.hpp"

namespace tessaro::testing {
namespace {

// One line per file: R or W, the stage (0 frame, 1 WFN, 2 TOP, 3 RDG), the
// name, the keyword.
std::vector<std::string> listing(const std::vector<PlannedFile>& files) {
  std::vector<std::string> out;
  for (const PlannedFile& f : files)
    out.push_back(std::string(f.access == FileAccess::Read ? "R" : "W") + std::to_string(static_cast<int>(f.stage)) +
                  " " + f.name + " | " + f.keyword);
  return out;
}

// Every section with most of its files: the list worked out from the
// template's tables of keywords and output files.
TEST_F(InputTemplate, PlannedFilesOfEverySection) {
  const std::string text =
      "OUTPUT_FILE_NAME report.txt\n"
      "SECTIONS *WFN *TOP *RDG\n"
      "PROPERTIES FROM WAVEFUNCTION\n"
      "INPUT mol.wfn\n"
      "OUTPUT mol\n"
      "CALCULATING  rho *gra  lap *ene\n"
      "CENTER 0 0 0\nN_POINTS_X 2\nSTEPSIZE_X 1\nN_POINTS_Y 2\nSTEPSIZE_Y 1\nN_POINTS_Z 2\nSTEPSIZE_Z 1\n"
      "TOPOND TO CUBE CONVERSION\n"
      "N_OF_GRIDS 4\n"
      "GRID_FILE_NAME g1.dat\nCUBE_NAME(OUTPUT) g1\n"
      "GRID_FILE_NAME g2.dat\nCUBE_NAME(OUTPUT) g2\n"
      "GRID_FILE_NAME g3.dat\nCUBE_NAME(OUTPUT) g3\n"
      "CRYSTAL_OUTPUT_NAME c.out\n"
      "N_OF_SYMM_OPERATIONS 0\n"
      "RDG,RHO*(signL2) AND ABRAMOV\n"
      "INPUT *XD2\n"
      "CALCULATING *RDG *rho *Abr *plo\n"
      "RHO_INPUT_CUBE mol_rho.cube\n"
      "RHO_INPUT_GRD(XD only) rho.grd\n"
      "GRAD= *calc\n"
      "LAPL= *read\n"
      "LAPL_INPUT_CUBE l.cube\n"
      "LAPL_INPUT_GRD(XD only) l.grd\n"
      "RDG_CALCULATION *all_p\n"
      "RDG_OUTPUT r\n"
      "SPACE_CUTOFF *none\n"
      "RHO_SIGN_CALCULATION\n"
      "RHO_SIGN_OUTPUT s\n"
      "ENERGY_CALCULATION\n"
      "ENERGY_OUTPUT e\n"
      "2DPLOT  rho *rhosign\n"
      "PLOT_NAME .dat\n";
  const ReaderResult r = read_template(text);
  ASSERT_EQ(r.status, -1) << r.console;
  const std::vector<std::string> expected = {
      "R0 input.inp | the template",
      "W0 report.txt | OUTPUT_FILE_NAME",
      "R1 mol.wfn | INPUT (WFN)",
      "W1 mol_gradrho.cube | OUTPUT (WFN)",
      "W1 mol_G.cube | OUTPUT (WFN)",
      "W1 mol_V.cube | OUTPUT (WFN)",
      "W1 mol_H.cube | OUTPUT (WFN)",
      "R2 c.out | CRYSTAL_OUTPUT_NAME",
      "R2 g1.dat | GRID_FILE_NAME of grid 1",
      "W2 g1.cube | CUBE_NAME(OUTPUT) of grid 1",
      "R2 g2.dat | GRID_FILE_NAME of grid 2",
      "W2 g2.cube | CUBE_NAME(OUTPUT) of grid 2",
      "R2 g3.dat | GRID_FILE_NAME of grid 3",
      "W2 g3.cube | CUBE_NAME(OUTPUT) of grid 3",
      "R3 mol_rho.cube | RHO_INPUT_CUBE",
      "R3 rho.grd | RHO_INPUT_GRD(XD only)",
      "R3 l.cube | LAPL_INPUT_CUBE",
      "R3 l.grd | LAPL_INPUT_GRD(XD only)",
      "W3 grad_numerical.cube | GRAD= calc",
      "W3 r.cube | RDG_OUTPUT",
      "W3 r.grd | RDG_OUTPUT",
      "W3 s.cube | RHO_SIGN_OUTPUT",
      "W3 s.grd | RHO_SIGN_OUTPUT",
      "W3 r.vmd | RDG_OUTPUT",
      "W3 e_Gabr.cube | ENERGY_OUTPUT",
      "W3 e_Vabr.cube | ENERGY_OUTPUT",
      "W3 e_Habr.cube | ENERGY_OUTPUT",
      "W3 e_Gabr.grd | ENERGY_OUTPUT",
      "W3 e_Vabr.grd | ENERGY_OUTPUT",
      "W3 e_Habr.grd | ENERGY_OUTPUT",
      "W3 rhosign.dat | PLOT_NAME",
      "W3 rhosign.dat.svg | PLOT_NAME",
  };
  EXPECT_EQ(listing(planned_files(r.v, "input.inp")), expected);
}

// The WFN section writes the density cube that the RDG section then reads;
// the reverse order would replace an input.
TEST_F(InputTemplate, LaterSectionsReadWhatEarlierOnesWrote) {
  const std::string wfn =
      "OUTPUT_FILE_NAME report.txt\n"
      "SECTIONS *WFN *TOP *RDG\n"
      "PROPERTIES FROM WAVEFUNCTION\n"
      "INPUT m.wfn\n"
      "OUTPUT m\n"
      "CALCULATING *rho\n"
      "CENTER 0 0 0\nN_POINTS_X 2\nSTEPSIZE_X 1\nN_POINTS_Y 2\nSTEPSIZE_Y 1\nN_POINTS_Z 2\nSTEPSIZE_Z 1\n"
      "TOPOND TO CUBE CONVERSION\n"
      "N_OF_GRIDS 1\n"
      "GRID_FILE_NAME m_rho.cube\n"
      "CUBE_NAME(OUTPUT) ";
  const std::string rdg =
      "\nCRYSTAL_OUTPUT_NAME c.out\n"
      "N_OF_SYMM_OPERATIONS 0\n"
      "RDG,RHO*(signL2) AND ABRAMOV\n"
      "INPUT *CUB\n"
      "CALCULATING *rho\n"
      "RHO_INPUT_CUBE m_rho.cube\n"
      "GRAD=\nLAPL= *calc\n"
      "RHO_SIGN_CALCULATION\n"
      "RHO_SIGN_OUTPUT s\n";
  ReaderResult r = read_template(wfn + "t" + rdg);
  EXPECT_EQ(r.status, -1) << r.console;
  EXPECT_TRUE(fs::exists("report.txt"));
  fs::remove("report.txt");
  r = read_template(wfn + "m_rho" + rdg);  // the TOP cube would replace the WFN section's
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.console, line("OUTPUT (WFN) and CUBE_NAME(OUTPUT) of grid 1 both name the file m_rho.cube, program stop"));
  EXPECT_FALSE(fs::exists("report.txt"));
}

}  // namespace
}  // namespace tessaro::testing
