// The TOP section run in-process: settings filled directly, files in a
// temporary working directory. The TOPOND grid files are written by hand in
// the exact layout (no real one exists); the CRYSTAL output is the
// hand-written excerpt in tests/data/topond and, when present, a real one.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/run.hpp"
#include "run/run_end.hpp"
#include "textio/text_error.hpp"
#include "topond/topo_to_cube.hpp"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A text field as the input reader holds it: padded to its length.
std::string padded(const std::string& s, std::size_t length = 30) { return s + std::string(length - s.size(), ' '); }

// Hand-written TOPOND grids: 2 x 1 x 2 with origin (-1, 0, 0.5) and steps
// 0.5, 0.25, 0.125; and 3 x 1 x 1.
const std::string kGridA =
    "   2   1   2\n"
    "-0.10000000E+01  0.00000000E+00  0.50000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.25000000E+00\n"
    " 0.50000000E+00  0.00000000E+00  0.12500000E+00\n"
    "  0.10000000E+01  0.20000000E+01\n"
    "  0.30000000E+01  0.40000000E+01\n";
const std::string kGridB =
    "   3   1   1\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " -0.12345678E-02  0.50000000E+00  0.00000000E+00\n";

const std::string kBlankTitles = std::string(60, ' ') + "\n" + std::string(60, ' ') + "\n";
const std::string kCubeAHeader =
    "    4   -1.000000    0.000000    0.500000\n"
    "    2    0.500000    0.000000    0.000000\n"
    "    1    0.000000    0.250000    0.000000\n"
    "    2    0.000000    0.000000    0.125000\n";
const std::string kCubeBHeader =
    "    4    0.000000    0.000000    0.000000\n"
    "    3    0.100000    0.000000    0.000000\n"
    "    1    0.000000    0.100000    0.000000\n"
    "    1    0.000000    0.000000    0.100000\n";
// The two atoms of the hand-written excerpt under x,y,z and -x,-y,-z.
const std::string kAtomsIdInv =
    "    8    8.000000    1.000000    2.000000    6.000000\n"
    "   30   30.000000   -2.500000    0.000000   10.000000\n"
    "    8    8.000000   -1.000000   -2.000000   -6.000000\n"
    "   30   30.000000    2.500000    0.000000  -10.000000\n";
const std::string kValuesA =
    "  1.00000E+00  3.00000E+00\n"
    "  2.00000E+00  4.00000E+00\n";
const std::string kValuesB =
    " -1.23457E-03\n"
    "  5.00000E-01\n"
    "  0.00000E+00\n";

class TopoToCube : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "tessaro_topond_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::current_path(dir_);
    fs::copy_file(fs::path(TESSARO_TEST_DATA) / "topond" / "hand_cell.out", "cell.out");
    spit("a.t3d", kGridA);
    spit("b.t3d", kGridB);
    ASSERT_TRUE(run_.open_report("report.txt"));
    InputVariables& iv = run_.input_variables;
    iv.crys_out = padded("cell.out");
    iv.grd_top_name1 = padded("a.t3d");
    iv.cubeout1 = padded("first");
    iv.grd_top_name2 = padded("b.t3d");
    iv.cubeout2 = padded("second");
    iv.grd_top_name3 = padded("a.t3d");
    iv.cubeout3 = padded("third");
    set_operations({{1, 0, 0, 0, 1, 0, 0, 0, 1}, {-1, 0, 0, 0, -1, 0, 0, 0, -1}}, {{0, 0, 0}, {0, 0, 0}});
  }
  void TearDown() override {
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  // rot[i] lists the rows of operation i: coefficients of x, y, z in output 1, 2, 3.
  void set_operations(const std::vector<std::array<int, 9>>& rot, const std::vector<std::array<double, 3>>& t) {
    InputVariables& iv = run_.input_variables;
    iv.n_symm = static_cast<std::int32_t>(rot.size());
    iv.create_symmetry_arrays(iv.n_symm);
    for (int i = 1; i <= iv.n_symm; ++i)
      for (int j = 1; j <= 3; ++j) {
        for (int c = 1; c <= 3; ++c) iv.symm(i, c, j) = rot[i - 1][3 * (j - 1) + (c - 1)];
        iv.tr(i, j) = t[i - 1][j - 1];
      }
  }

  // Runs the section; returns the RunEnd status, or -1 when it returned.
  int run_section() {
    int status = -1;
    try {
      topo_to_cube(run_);
    } catch (const RunEnd& end) {
      status = end.status;
    }
    run_.flush();
    return status;
  }

  std::string report() { return slurp("report.txt"); }

  fs::path old_dir_, dir_;
  std::ostringstream console_;
  tessaro::Run run_{console_};
};

TEST_F(TopoToCube, OneGridIdentityAndInversion) {
  run_.input_variables.n_grid = 1;
  EXPECT_EQ(run_section(), -1);
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_FALSE(fs::exists("second.cube"));
  EXPECT_EQ(report(), "");
}

TEST_F(TopoToCube, TwoGridsShareOneAtomList) {
  run_.input_variables.n_grid = 2;
  EXPECT_EQ(run_section(), -1);
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_EQ(slurp("second.cube"), kBlankTitles + kCubeBHeader + kAtomsIdInv + kValuesB);
  EXPECT_FALSE(fs::exists("third.cube"));
}

TEST_F(TopoToCube, ThreeGridsWithSeveralOperationsAndNoMore) {
  // y,x,z and -x+1/2,y,z and x,y,z; five grids asked for, three converted.
  set_operations({{0, 1, 0, 1, 0, 0, 0, 0, 1}, {-1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
                 {{0, 0, 0}, {0.5, 0, 0}, {0, 0, 0}});
  run_.input_variables.n_grid = 5;
  EXPECT_EQ(run_section(), -1);
  const std::string atoms =
      "    8    8.000000    2.000000    1.000000    6.000000\n"
      "   30   30.000000    0.000000   -2.500000   10.000000\n"
      "    8    8.000000    4.000000    2.000000    6.000000\n"
      "   30   30.000000    7.500000    0.000000   10.000000\n"
      "    8    8.000000    1.000000    2.000000    6.000000\n"
      "   30   30.000000   -2.500000    0.000000   10.000000\n";
  std::string header_a = kCubeAHeader, header_b = kCubeBHeader;
  header_a.replace(3, 2, " 6");
  header_b.replace(3, 2, " 6");
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + header_a + atoms + kValuesA);
  EXPECT_EQ(slurp("second.cube"), kBlankTitles + header_b + atoms + kValuesB);
  EXPECT_EQ(slurp("third.cube"), slurp("first.cube"));
}

TEST_F(TopoToCube, NoOperationsWritesNoAtoms) {
  // A negative number of operations lists no atom either: the count written
  // is that of the atom list, never a negative A x S.
  std::string header = kCubeAHeader;
  header.replace(4, 1, "0");
  for (const std::int32_t n_symm : {0, -2}) {
    set_operations({}, {});
    run_.input_variables.n_symm = n_symm;
    run_.input_variables.n_grid = 1;
    EXPECT_EQ(run_section(), -1);
    EXPECT_EQ(slurp("first.cube"), kBlankTitles + header + kValuesA) << n_symm;
  }
}

TEST_F(TopoToCube, NoGridsStillReadsTheCrystalOutput) {
  run_.input_variables.n_grid = 0;
  EXPECT_EQ(run_section(), -1);
  EXPECT_FALSE(fs::exists("first.cube"));
  // The CRYSTAL output is opened even when no grid is converted.
  run_.input_variables.crys_out = padded("missing.out");
  EXPECT_EQ(run_section(), 1);
}

TEST_F(TopoToCube, FilesThatCannotBeOpened) {
  run_.input_variables.n_grid = 3;
  run_.input_variables.crys_out = padded("missing.out");
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report(), " missing.out                    file cannot be opened, program stop\n");
  EXPECT_FALSE(fs::exists("first.cube"));

  // The second grid is missing: the first cube is written whole, the run stops.
  run_.input_variables.crys_out = padded("cell.out");
  run_.input_variables.grd_top_name2 = padded("nowhere.t3d");
  ASSERT_TRUE(run_.open_report("report.txt"));
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report(), " nowhere.t3d                    file cannot be opened, program stop\n");
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_FALSE(fs::exists("second.cube"));

  // A cube that cannot be created names the cube file.
  run_.input_variables.cubeout1 = padded("nodir/first");
  ASSERT_TRUE(run_.open_report("report.txt"));
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report(), " nodir/first.cube file cannot be opened, program stop\n");
}

TEST_F(TopoToCube, GridCutShortKeepsEarlierCubes) {
  spit("b.t3d", kGridB.substr(0, kGridB.rfind(" -0.123")));
  spit("second.cube", "an older cube\n");
  run_.input_variables.n_grid = 3;
  try {
    topo_to_cube(run_);
    FAIL() << "no TextIoError";
  } catch (const textio::TextIoError& e) {
    EXPECT_EQ(e.kind(), textio::TextIoError::Kind::EndOfFile);
    EXPECT_EQ(e.file(), "b.t3d");
    EXPECT_EQ(e.line(), 5);
  }
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  // The cut grid's cube is never begun: an older file of that name is untouched.
  EXPECT_EQ(slurp("second.cube"), "an older cube\n");
  EXPECT_FALSE(fs::exists("third.cube"));
}

TEST_F(TopoToCube, CrystalOutputWithoutUsableAtomCount) {
  const std::pair<std::string, std::string> cases[] = {
      {" INPUT COORDINATES\n\n ATOM\n",
       " cell.out                       file holds no NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL: "
       "line before INPUT COORDINATES, program stop\n"},
      {" NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:   -1\n INPUT COORDINATES\n\n ATOM\n",
       " cell.out                       file gives a negative NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:, "
       "program stop\n"},
  };
  run_.input_variables.n_grid = 1;
  for (const auto& [text, line] : cases) {
    spit("cell.out", text);
    ASSERT_TRUE(run_.open_report("report.txt"));
    EXPECT_EQ(run_section(), 1);
    EXPECT_EQ(report(), line);
    EXPECT_FALSE(fs::exists("first.cube"));
  }
}

TEST_F(TopoToCube, CrystalOutputCutBeforeLattice) {
  const std::string cell = slurp("cell.out");
  spit("cell.out", cell.substr(0, cell.find(" LATTICE PARAMETERS")));
  run_.input_variables.n_grid = 1;
  try {
    topo_to_cube(run_);
    FAIL() << "no TextIoError";
  } catch (const textio::TextIoError& e) {
    EXPECT_EQ(e.kind(), textio::TextIoError::Kind::EndOfFile);
    EXPECT_EQ(e.file(), "cell.out");
  }
  EXPECT_FALSE(fs::exists("first.cube"));
}

TEST_F(TopoToCube, SharedDataCrystalOutput) {
  const fs::path mgo = fs::path(TESSARO_SHARED_DATA) / "crystal_out" / "out_mgoSCF.out";
  if (!fs::exists(mgo)) GTEST_SKIP() << "shared CRYSTAL output not found: " << mgo.string();
  run_.input_variables.crys_out = padded(mgo.string(), std::max<std::size_t>(30, mgo.string().size()));
  run_.input_variables.n_grid = 1;
  set_operations({{1, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0, 0, 0}});
  EXPECT_EQ(run_section(), -1);
  std::string header = kCubeAHeader;
  header.replace(4, 1, "2");
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + header +
                                     "   12   12.000000    0.000000    0.000000    0.000000\n"
                                     "    8    8.000000    3.984488    3.984488    3.984488\n" +
                                     kValuesA);
}

// The whole program on a template whose SECTIONS line switches on TOP only.
TEST_F(TopoToCube, TemplateRunWritesCubesThenSummary) {
  const std::string top =
      "OUTPUT_FILE_NAME run.txt\n"
      "SECTIONS  WFN *TOP  RDG\n"
      "TOPOND TO CUBE CONVERSION\n"
      "N_OF_GRIDS 2\n"
      "GRID_FILE_NAME a.t3d\n"
      "CUBE_NAME(OUTPUT) first\n"
      "GRID_FILE_NAME b.t3d\n"
      "CUBE_NAME(OUTPUT) second\n"
      "CRYSTAL_OUTPUT_NAME cell.out\n"
      "N_OF_SYMM_OPERATIONS 2\n"
      "SYMM x,y,z\n"
      "SYMM -x,-y,-z\n";
  spit("top.inp", top);
  const std::string command = std::string("\"") + TESSARO_BINARY + "\" top.inp >out.txt 2>err.txt";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << slurp("err.txt");
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_EQ(slurp("second.cube"), kBlankTitles + kCubeBHeader + kAtomsIdInv + kValuesB);
  const std::string report = slurp("run.txt");
  const std::size_t summary = report.find("!!!TOPOND TO CUBE CONVERSION!!!");
  ASSERT_NE(summary, std::string::npos);
  EXPECT_NE(report.find("\n \n+x,+y,+z, \n-x,-y,-z,\n", summary), std::string::npos);

  // A grid cut short: the text layer's message with file and line, status 2.
  spit("b.t3d", kGridB.substr(0, kGridB.rfind(" -0.123")));
  status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(slurp("err.txt"), " End of file: file b.t3d, line 5\n");

  // A grid that cannot be opened: the report line, status 1.
  fs::remove("b.t3d");
  status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(slurp("run.txt").find(" b.t3d                          file cannot be opened, program stop\n"),
            std::string::npos);
}

// All three sections from one template: WFN on a small box around the water
// dimer of the examples, TOP, then RDG on the density cube WFN just wrote.
TEST_F(TopoToCube, AllThreeSectionsRunInOrder) {
  const fs::path wfn = fs::path(TESSARO_TEST_DATA) / ".." / ".." / "examples" / "water-dimer" / "water_dimer.wfn";
  if (!fs::exists(wfn)) GTEST_SKIP() << "example wavefunction not found: " << wfn.string();
  fs::copy_file(wfn, "water.wfn");
  spit("all.inp",
       "OUTPUT_FILE_NAME all.txt\n"
       "SECTIONS *WFN *TOP *RDG\n"
       "PROPERTIES FROM WAVEFUNCTION\n"
       "INPUT water.wfn\n"
       "OUTPUT water\n"
       "CALCULATING *rho  gra  lap  ene\n"
       "CENTER 0.0 0.0 0.0\n"
       "N_POINTS_X 6\nSTEPSIZE_X 0.5\nN_POINTS_Y 6\nSTEPSIZE_Y 0.5\nN_POINTS_Z 6\nSTEPSIZE_Z 0.5\n"
       "TOPOND TO CUBE CONVERSION\n"
       "N_OF_GRIDS 1\n"
       "GRID_FILE_NAME a.t3d\n"
       "CUBE_NAME(OUTPUT) first\n"
       "CRYSTAL_OUTPUT_NAME cell.out\n"
       "N_OF_SYMM_OPERATIONS 2\n"
       "SYMM x,y,z\n"
       "SYMM -x,-y,-z\n"
       "RDG,RHO*(signL2) AND ABRAMOV\n"
       "INPUT  XD2  GAU *CUB\n"
       "CALCULATING *RDG *rho  Abr  plo\n"
       "RHO_INPUT_CUBE water_rho.cube\n"
       "GRAD= *calc  read\n"
       "LAPL= *calc  read\n"
       "RDG_CALCULATION *all_p  rho_c  rhosi\n"
       "RDG_OUTPUT water_rdg\n"
       "SPACE_CUTOFF *none  atom  exte\n"
       "RHO_SIGN_CALCULATION  RDG_p\n"
       "RHO_SIGN_OUTPUT water_rhosign\n"
       "ENERGY_CALCULATION  RDG_p\n"
       "ENERGY_OUTPUT water\n"
       "2DPLOT  rho  rhosign\n"
       "PLOT_NAME _water.dat\n");
  const std::string command = std::string("\"") + TESSARO_BINARY + "\" all.inp >out.txt 2>err.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << slurp("err.txt");
  const std::string report = slurp("all.txt");
  const std::size_t wfn_summary = report.find("PROPERTIES FROM WAVEFUNCTION!");
  const std::size_t top_summary = report.find("TOPOND TO CUBE CONVERSION!");
  const std::size_t rdg_summary = report.find("RDG,RHO*(signL2) AND ABRAMOV S ENERGY!");
  ASSERT_NE(wfn_summary, std::string::npos);
  EXPECT_LT(wfn_summary, top_summary);
  EXPECT_LT(top_summary, rdg_summary);
  EXPECT_NE(rdg_summary, std::string::npos);
  EXPECT_EQ(slurp("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_TRUE(fs::exists("water_rho.cube"));
  EXPECT_TRUE(fs::exists("water_rdg.cube"));
}

}  // namespace
}  // namespace tessaro
