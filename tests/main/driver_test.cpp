#include "main/driver.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "input/template_fixture.hpp"
#include "input/template_text.hpp"
#include "main/banner.hpp"
#include "topond/hand_grids.hpp"

namespace tessaro::testing {
namespace {

class DriverRun : public InputTemplate {};

// The banner worked out line by line from its frame: a single blank, three
// full rows of '+', the framed lettering, three full rows, six blank items.
std::string expected_banner() {
  const std::string full = " " + std::string(95, '+') + "\n";
  const std::string frame = std::string(9, '+');
  const std::string empty = " " + frame + std::string(77, ' ') + frame + "\n";
  const char* rows[] = {
      "  TTTTTTT   EEEEEEE    SSSSS     SSSSS       A      RRRRRR     OOOOO         ",
      "     T      E         S     S   S     S     A A     R     R   O     O        ",
      "     T      E         S         S          A   A    R     R   O     O        ",
      "     T      EEEEE      SSSSS     SSSSS    A     A   RRRRRR    O     O        ",
      "     T      E               S         S   AAAAAAA   R   R     O     O        ",
      "     T      E         S     S   S     S   A     A   R    R    O     O        ",
      "     T      EEEEEEE    SSSSS     SSSSS    A     A   R     R    OOOOO         ",
  };
  std::string out = " \n" + full + full + full + empty;
  for (const char* row : rows) out += " " + frame + row + frame + "\n";
  out += empty + full + full + full;
  for (int i = 0; i < 6; ++i) out += " " + std::string(95, ' ') + "\n";
  return out;
}

// The version that the build declares in its project() line.
std::string project_version() {
  const std::regex project(R"(^project\(Tessaro VERSION ([0-9.]+))");
  std::smatch m;
  for (const std::string& text : lines_of(read_file(std::string(TESSARO_SOURCE_DIR) + "/CMakeLists.txt")))
    if (std::regex_search(text, m, project)) return m[1];
  return "<no project version>";
}

TEST_F(DriverRun, BannerLayout) {
  const std::string banner = banner_text();
  EXPECT_EQ(banner, expected_banner());
  // 22 lines; every item but the first is 95 characters wide.
  std::size_t lines = 0, start = 0;
  for (std::size_t nl = banner.find('\n'); nl != std::string::npos; nl = banner.find('\n', start)) {
    EXPECT_EQ(nl - start, lines == 0 ? 1u : 96u) << "line " << lines + 1;
    start = nl + 1;
    ++lines;
  }
  EXPECT_EQ(lines, 22u);
}

TEST_F(DriverRun, NoJobReportHoldsMessageAndBanner) {
  ProgramResult r = run_template("OUTPUT_FILE_NAME report.txt\nSECTIONS  WFN  TOP  RDG\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file("report.txt"), line("NO JOB HAS BEEN ASSIGNED TO THE PROGRAM!!") + expected_banner());
}

TEST_F(DriverRun, CommandLine) {
  ProgramResult r = run_program({});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "usage: tessaro INPUT_FILE   (tessaro --help for more)\n");
  r = run_program({"   "});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err, "");

  r = run_program({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: tessaro [--threads N] INPUT_FILE\n", 0), 0u);
  r = run_program({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "tessaro " + project_version() + "\n");
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

// The command line a user starts from: --template prints the shipped template.
TEST_F(DriverRun, TemplateOptionPrintsTheShippedTemplate) {
  const ProgramResult r = run_program({"--template"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(input_template()));
  EXPECT_EQ(r.err, "");
}

TEST_F(DriverRun, ArgumentIsTheWholeName) {
  EXPECT_EQ(input_file_name("  in.inp  "), "in.inp");
  EXPECT_EQ(input_file_name("a b"), "a b");
  EXPECT_EQ(input_file_name(std::string(5, ' ') + std::string(40, 'n')), std::string(40, 'n'));

  // Leading blanks name the same file.
  write_file("input.inp", "OUTPUT_FILE_NAME report.txt\nSECTIONS\n");
  EXPECT_EQ(run_program({"   input.inp"}).status, 0);
  EXPECT_TRUE(fs::exists("report.txt"));
}

TEST_F(DriverRun, MissingOrEmptyInputFile) {
  // A missing input file is not created.
  ProgramResult r = run_program({"absent.inp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP"));
  EXPECT_TRUE(fs::is_empty(fs::current_path()));

  r = run_template("");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP"));

  fs::create_directory("folder");
  r = run_program({"folder"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP"));
}

TEST_F(DriverRun, ErrorStopsAndStatuses) {
  // Blank report name: console only, no report file.
  ProgramResult r = run_template("OUTPUT_FILE_NAME\nSECTIONS *RDG\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP"));
  EXPECT_EQ(fs::directory_iterator(fs::current_path())->path().filename(), "input.inp");

  // A report under the input file's own name would destroy the template.
  const std::string self = "OUTPUT_FILE_NAME ./input.inp\nSECTIONS\n";
  r = run_template(self);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NAME FOR OUTPUT FILE IS THE NAME OF THE INPUT FILE, PROGRAM STOP"));
  EXPECT_EQ(read_file("input.inp"), self);

  // A template stop: report and console, status 1, no banner.
  r = run_template("OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\n");
  EXPECT_EQ(r.status, 1);
  const std::string pair = line("WFN SECTION: PROBLEM IN READING THE INPUT!!!!") +
                           line("THE TEMPLATE MIGHT HAVE BEEN MODIFIED, PROGRAM STOP");
  EXPECT_EQ(r.out, pair);
  EXPECT_EQ(read_file("report.txt"), pair);

  // A failed read of the text layer: standard error names the file and line.
  r = run_template("OUTPUT_FILE_NAME report.txt\nSECTIONS *TOP\nTOPOND TO CUBE CONVERSION\nN_OF_GRIDS 0\n"
                   "CRYSTAL_OUTPUT_NAME c.out\nN_OF_SYMM_OPERATIONS 1\nSYMM x,2y,z\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, " Bad value during read: file input.inp, line 7\n");
  EXPECT_EQ(read_file("report.txt"), "");
  r = run_template("OUTPUT_FILE_NAME report.txt\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, " End of file: file input.inp, line 2\n");
}

// A result that would replace an input: one line on the console and on
// standard error (the report may be the colliding file), nothing created,
// the input untouched.
TEST_F(DriverRun, NameCollisionStopsBeforeAnythingIsCreated) {
  write_file("rho.cube", "the user's density");
  const ProgramResult r = run_template(
      "OUTPUT_FILE_NAME report.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *GRD *CUB\n"
      "CALCULATING *rho\nRHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL= *calc\nRHO_SIGN_CALCULATION\n"
      "RHO_SIGN_OUTPUT rho\n");
  EXPECT_EQ(r.status, 1);
  const std::string message = line("RHO_SIGN_OUTPUT names the input file rho.cube (RHO_INPUT_CUBE), program stop");
  EXPECT_EQ(r.out, message);
  EXPECT_EQ(r.err, message);
  EXPECT_EQ(read_file("rho.cube"), "the user's density");
  EXPECT_FALSE(fs::exists("report.txt"));
}

TEST_F(DriverRun, WarningsStandAboveTheBanner) {
  // CR LF line ends throughout; the RDG section then runs on its own.
  std::string text =
      "OUTPUT_FILE_NAME report.txt\r\nSECTIONS *RDG\r\nRDG,RHO*(signL2) AND ABRAMOV\r\nINPUT *GRD *CUB\r\n"
      "CALCULATING *rho\r\nRHO_INPUT_CUBE absent.cube\r\nGRAD= *calc\r\nLAPL= *calc\r\n"
      "RHO_SIGN_CALCULATION\r\nRHO_SIGN_OUTPUT rs\r\n";
  ProgramResult r = run_template(text);
  const std::string report = read_file("report.txt");
  const std::string head = line("RDG CALCULATION SECTION: no input file format has been chosen!!!") + expected_banner();
  EXPECT_EQ(report.substr(0, head.size()), head);
}

// All three sections from one template: WFN on a small box around the water
// dimer of the examples, TOP, then RDG on the density cube WFN just wrote.
TEST_F(DriverRun, AllThreeSectionsRunInOrder) {
  const fs::path wfn = fs::path(TESSARO_TEST_DATA) / ".." / ".." / "examples" / "water-dimer" / "water_dimer.wfn";
  if (!fs::exists(wfn)) GTEST_SKIP() << "example wavefunction not found: " << wfn.string();
  fs::copy_file(wfn, "water.wfn");
  fs::copy_file(fs::path(TESSARO_TEST_DATA) / "topond" / "hand_cell.out", "cell.out");
  write_file("a.t3d", topond_test::kGridA);
  write_file("all.inp",
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
  ASSERT_EQ(run_binary("all.inp >out.txt 2>err.txt"), 0) << read_file("err.txt");
  const std::string report = read_file("all.txt");
  const std::size_t wfn_summary = report.find("PROPERTIES FROM WAVEFUNCTION!");
  const std::size_t top_summary = report.find("TOPOND TO CUBE CONVERSION!");
  const std::size_t rdg_summary = report.find("RDG,RHO*(signL2) AND ABRAMOV S ENERGY!");
  ASSERT_NE(wfn_summary, std::string::npos);
  EXPECT_LT(wfn_summary, top_summary);
  EXPECT_LT(top_summary, rdg_summary);
  EXPECT_NE(rdg_summary, std::string::npos);
  EXPECT_EQ(read_file("first.cube"), topond_test::kBlankTitles + topond_test::kCubeAHeader + topond_test::kAtomsIdInv +
                                     topond_test::kValuesA);
  EXPECT_TRUE(fs::exists("water_rho.cube"));
  EXPECT_TRUE(fs::exists("water_rdg.cube"));
}

}  // namespace
}  // namespace tessaro::testing
