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
  EXPECT_EQ(r.err, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP") +
                       line("absent.inp holds no line: it is missing, empty or cannot be read") +
                       line("Run stopped: no report file was written"));
  EXPECT_TRUE(fs::is_empty(fs::current_path()));

  r = run_template("");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP"));

  fs::create_directory("folder");
  r = run_program({"folder"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP"));
}

// Every error stop reaches standard error: the message the report or the
// console holds, then the report file's name; a failure of the text layer in
// the template is followed by the field it read.
TEST_F(DriverRun, ErrorStopsAndStatuses) {
  const std::string usual =
      " (usual causes: the keyword is not in column 1, not in capitals, out of order, or a line of its section is"
      " missing)\n";
  const std::string pair = line("WFN SECTION: PROBLEM IN READING THE INPUT!!!!") +
                           line("THE TEMPLATE MIGHT HAVE BEEN MODIFIED, PROGRAM STOP");
  const std::string no_report = line("Run stopped: no report file was written");
  const std::string see_report = line("Run stopped: see the report file report.txt");
  struct Case {
    const char* what;
    std::string text;
    int status;
    std::string out, err, report;
  };
  const std::vector<Case> cases = {
      {"blank report name", "OUTPUT_FILE_NAME\nSECTIONS *RDG\n", 1,
       line("NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP"),
       line("NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP") + no_report, "<none>"},
      // A report under the input file's own name would destroy the template.
      {"report is the template", "OUTPUT_FILE_NAME ./input.inp\nSECTIONS\n", 1,
       line("NAME FOR OUTPUT FILE IS THE NAME OF THE INPUT FILE, PROGRAM STOP"),
       line("NAME FOR OUTPUT FILE IS THE NAME OF THE INPUT FILE, PROGRAM STOP") + no_report,
       "OUTPUT_FILE_NAME ./input.inp\nSECTIONS\n"},
      // A template stop: report and console, status 1, no banner.
      {"template stop", "OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\n", 1, pair,
       pair + " the keyword PROPERTIES FROM WAVEFUNCTION was not found after line 2 of input.inp" + usual + see_report,
       pair},
      // A stop written only into the report.
      {"report only", "OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\nPROPERTIES FROM WAVEFUNCTION\nINPUT absent.wfn\n"
       "OUTPUT m\nCALCULATING *rho\nCENTER 0 0 0\nN_POINTS_X 3\nSTEPSIZE_X 0.2\nN_POINTS_Y 3\nSTEPSIZE_Y 0.2\n"
       "N_POINTS_Z 3\nSTEPSIZE_Z 0.2\n", 1, "",
       line("absent.wfn                        file cannot be opened, program stop") + see_report, "<banner>"},
      // A failed read of the text layer: standard error names the file and
      // line, then the field.
      {"bad value", "OUTPUT_FILE_NAME report.txt\nSECTIONS *TOP\nTOPOND TO CUBE CONVERSION\nN_OF_GRIDS 0\n"
       "CRYSTAL_OUTPUT_NAME c.out\nN_OF_SYMM_OPERATIONS 1\nSYMM x,2y,z\n", 2, "",
       line("Bad value during read: file input.inp, line 7") +
           line("SYMM: columns 5-44 of line 7 of input.inp cannot be read as a symmetry operation such as -x+1/2,-y,z"),
       ""},
      {"end of file", "OUTPUT_FILE_NAME report.txt\n", 2, "",
       line("End of file: file input.inp, line 2") + " the keyword SECTIONS was not found after line 1 of input.inp" +
           usual,
       ""}};
  for (const Case& c : cases) {
    fs::remove("report.txt");
    const ProgramResult r = run_template(c.text);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
    if (c.report == "<none>") {
      EXPECT_FALSE(fs::exists("report.txt")) << c.what;
    } else if (c.report == "<banner>") {
      const std::string report = read_file("report.txt");
      EXPECT_TRUE(report.ends_with(line("absent.wfn                        file cannot be opened, program stop")))
          << c.what;
    } else if (c.what != std::string("report is the template")) {
      EXPECT_EQ(read_file("report.txt"), c.report) << c.what;
    } else {
      EXPECT_EQ(read_file("input.inp"), c.report);
    }
  }
}

// A keyword that is not found names itself on standard error, once per
// section; the report and the console keep the section's pair of lines.
TEST_F(DriverRun, TemplateStopsNameTheirKeyword) {
  struct Case {
    std::string text;
    std::string problem;
    std::string keyword;
    int after;
  };
  const std::string head = "OUTPUT_FILE_NAME report.txt\n";
  const std::vector<Case> cases = {
      {head + "SECTIONS *WFN\nPROPERTIES FROM WAVEFUNCTION\nINPUT m.wfn\nOUTPUT m\nCALCULATING *rho\nCENTER 0 0 0\n"
              "N_POINTS_X 3\nSTEPSIZE_X 0.2\nN_POINTS_Y 3\nstepsize_y 0.2\nN_POINTS_Z 3\nSTEPSIZE_Z 0.2\n",
       "WFN SECTION: PROBLEM IN READING THE INPUT!!!!", "STEPSIZE_Y", 10},
      {head + "SECTIONS *TOP\nTOPOND TO CUBE CONVERSION\n N_OF_GRIDS 1\n",
       "TOPOND FILE CONVERSION SECTION: PROBLEM IN READING THE INPUT!!!!", "N_OF_GRIDS", 3},
      {head + "SECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\nRHO_INPUT_CUBE r.cube\n"
              "calculating *rho\n",
       "RDG, RHO*SIGN(L2) AND ABRAMOV ENERGY CALCULATION SECTION: PROBLEM IN READING THE INPUT!!!!", "CALCULATING",
       4}};
  for (const Case& c : cases) {
    const ProgramResult r = run_template(c.text);
    EXPECT_EQ(r.status, 1) << c.keyword;
    const std::string pair = line(c.problem) + line("THE TEMPLATE MIGHT HAVE BEEN MODIFIED, PROGRAM STOP");
    EXPECT_TRUE(r.out.ends_with(pair)) << r.out;
    EXPECT_TRUE(read_file("report.txt").ends_with(pair)) << c.keyword;
    EXPECT_NE(r.err.find(" the keyword " + c.keyword + " was not found after line " + std::to_string(c.after) +
                         " of input.inp (usual causes: "),
              std::string::npos)
        << r.err;
  }
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
