// The TOP section run in-process: settings filled directly, files in a
// temporary working directory. The TOPOND grid files are written by hand in
// the exact layout (no real one exists); the CRYSTAL output is the
// hand-written excerpt in tests/data/topond and, when present, a real one.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "hand_grids.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"
#include "support/text_error.hpp"
#include "topond/topo_to_cube.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;
using namespace topond_test;

// A text field as the input reader holds it: padded to its length.
std::string padded(const std::string& s, std::size_t length = 30) { return s + std::string(length - s.size(), ' '); }

class TopoToCube : public TempFolderTest {
 protected:
  void SetUp() override {
    fs::copy_file(fs::path(TESSARO_TEST_DATA) / "topond" / "hand_cell.out", "cell.out");
    write_file("a.t3d", kGridA);
    write_file("b.t3d", kGridB);
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

  std::string report() { return read_file("report.txt"); }

  std::ostringstream console_;
  tessaro::Run run_{console_};
};

TEST_F(TopoToCube, OneGridIdentityAndInversion) {
  run_.input_variables.n_grid = 1;
  EXPECT_EQ(run_section(), -1);
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_FALSE(fs::exists("second.cube"));
  EXPECT_EQ(report(), "");
}

TEST_F(TopoToCube, TwoGridsShareOneAtomList) {
  run_.input_variables.n_grid = 2;
  EXPECT_EQ(run_section(), -1);
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_EQ(read_file("second.cube"), kBlankTitles + kCubeBHeader + kAtomsIdInv + kValuesB);
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
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + header_a + atoms + kValuesA);
  EXPECT_EQ(read_file("second.cube"), kBlankTitles + header_b + atoms + kValuesB);
  EXPECT_EQ(read_file("third.cube"), read_file("first.cube"));
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
    EXPECT_EQ(read_file("first.cube"), kBlankTitles + header + kValuesA) << n_symm;
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
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_FALSE(fs::exists("second.cube"));

  // A cube that cannot be created names the cube file.
  run_.input_variables.cubeout1 = padded("nodir/first");
  ASSERT_TRUE(run_.open_report("report.txt"));
  EXPECT_EQ(run_section(), 1);
  EXPECT_EQ(report(), " nodir/first.cube file cannot be opened, program stop\n");
}

TEST_F(TopoToCube, GridCutShortKeepsEarlierCubes) {
  write_file("b.t3d", kGridB.substr(0, kGridB.rfind(" -0.123")));
  write_file("second.cube", "an older cube\n");
  run_.input_variables.n_grid = 3;
  const textio::TextIoError e = text_error([&] { topo_to_cube(run_); });
  EXPECT_EQ(e.kind(), textio::TextIoError::Kind::EndOfFile);
  EXPECT_EQ(e.file(), "b.t3d");
  EXPECT_EQ(e.line(), 5);
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  // The cut grid's cube is never begun: an older file of that name is untouched.
  EXPECT_EQ(read_file("second.cube"), "an older cube\n");
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
    write_file("cell.out", text);
    ASSERT_TRUE(run_.open_report("report.txt"));
    EXPECT_EQ(run_section(), 1);
    EXPECT_EQ(report(), line);
    EXPECT_FALSE(fs::exists("first.cube"));
  }
}

TEST_F(TopoToCube, CrystalOutputCutBeforeLattice) {
  const std::string cell = read_file("cell.out");
  write_file("cell.out", cell.substr(0, cell.find(" LATTICE PARAMETERS")));
  run_.input_variables.n_grid = 1;
  const textio::TextIoError e = text_error([&] { topo_to_cube(run_); });
  EXPECT_EQ(e.kind(), textio::TextIoError::Kind::EndOfFile);
  EXPECT_EQ(e.file(), "cell.out");
  EXPECT_FALSE(fs::exists("first.cube"));
}

TEST_F(TopoToCube, SharedDataCrystalOutput) {
  const fs::path mgo = fs::path(TESSARO_SHARED_DATA) / "crystal_out" / "out_mgoSCF.out";
  if (!fs::exists(mgo)) GTEST_SKIP() << "shared CRYSTAL output not found: " << mgo.string();
  run_.input_variables.crys_out = padded(mgo.string(), std::max<std::size_t>(30, mgo.string().size()));
  run_.input_variables.n_grid = 1;
  // The face-centring operations of examples/top on the real (primitive-cell)
  // output give the eight atom lines of that example's cubes, which come from
  // a hand-made excerpt holding the conventional vectors (a = 4.217 A).
  const std::array<int, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
  set_operations({identity, identity, identity, identity}, {{0, 0, 0}, {0.5, 0.5, 0}, {0.5, 0, 0.5}, {0, 0.5, 0.5}});
  EXPECT_EQ(run_section(), -1);
  std::string header = kCubeAHeader;
  header.replace(4, 1, "8");
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + header +
                                     "   12   12.000000    0.000000    0.000000    0.000000\n"
                                     "    8    8.000000    3.984488    3.984488    3.984488\n"
                                     "   12   12.000000    3.984488    3.984488    0.000000\n"
                                     "    8    8.000000    7.968976    7.968976    3.984488\n"
                                     "   12   12.000000    3.984488    0.000000    3.984488\n"
                                     "    8    8.000000    7.968976    3.984488    7.968976\n"
                                     "   12   12.000000    0.000000    3.984488    3.984488\n"
                                     "    8    8.000000    3.984488    7.968976    7.968976\n" +
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
  write_file("top.inp", top);
  const std::string arguments = "top.inp >out.txt 2>err.txt";
  EXPECT_EQ(run_binary(arguments), 0) << read_file("err.txt");
  EXPECT_EQ(read_file("first.cube"), kBlankTitles + kCubeAHeader + kAtomsIdInv + kValuesA);
  EXPECT_EQ(read_file("second.cube"), kBlankTitles + kCubeBHeader + kAtomsIdInv + kValuesB);
  const std::string report = read_file("run.txt");
  const std::size_t summary = report.find("!!!TOPOND TO CUBE CONVERSION!!!");
  ASSERT_NE(summary, std::string::npos);
  EXPECT_NE(report.find("\n \n+x,+y,+z, \n-x,-y,-z,\n", summary), std::string::npos);

  // A grid cut short: the text layer's message with file and line, status 2.
  write_file("b.t3d", kGridB.substr(0, kGridB.rfind(" -0.123")));
  EXPECT_EQ(run_binary(arguments), 2);
  EXPECT_EQ(read_file("err.txt"), " End of file: file b.t3d, line 5\n");

  // A grid that cannot be opened: the report line, status 1.
  fs::remove("b.t3d");
  EXPECT_EQ(run_binary(arguments), 1);
  EXPECT_NE(read_file("run.txt").find(" b.t3d                          file cannot be opened, program stop\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tessaro::testing
