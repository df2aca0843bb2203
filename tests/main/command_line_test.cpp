// The options a user starts from: --template on a wavefunction, the README's
// quick start that follows it, --check, and what is no option at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "main/molecule_template.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = TESSARO_SOURCE_DIR;
const fs::path kWaterDimer = kSource / "examples" / "water-dimer" / "water_dimer.wfn";
constexpr const char* kUsage = "usage: tessaro INPUT_FILE   (tessaro --help for more)\n";

class CommandLine : public TempFolderTest {};

TEST_F(CommandLine, UnknownOptionsPrintTheUsageLine) {
  const std::vector<std::vector<std::string>> cases = {{"-h"},
                                                       {"-"},
                                                       {"--threads", "2", "-x"},
                                                       {"--templates"},
                                                       {"--check"},
                                                       {"--template", "--depth", "1"},
                                                       {"--template", "--step", "0"},
                                                       {"--template", "--margin", "-1"},
                                                       {"--template", "a.wfn", "b.wfn"}};
  for (const auto& args : cases) {
    const ProgramResult r = run_program(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_TRUE(r.err.ends_with(kUsage)) << r.err;
  }
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

// Every name of the run comes from the wavefunction's name; the box covers
// the nuclei with the margin on every side.
TEST_F(CommandLine, TemplateForAMolecule) {
  fs::copy_file(kWaterDimer, "water_dimer.wfn");
  const ProgramResult r = run_program({"--template", "--step", "0.25", "--margin", "2", "water_dimer.wfn"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* expected :
       {"\nOUTPUT_FILE_NAME water_dimer_report.txt\n", "\nINPUT water_dimer.wfn\n", "\nOUTPUT water_dimer\n",
        "\nCALCULATING *rho *gra *lap  ene\n", "\nCENTER -0.239864 0.367327 0.000000\n", "\nSTEPSIZE_Z 0.25\n",
        "\nRHO_INPUT_CUBE water_dimer_rho.cube\n", "\nGRAD_INPUT_CUBE water_dimer_gradrho.cube\n",
        "\nLAPL_INPUT_CUBE water_dimer_laplrho.cube\n", "\nCALCULATING *RDG *rho *Abr *plo\n",
        "\n2DPLOT *rho *rhosign\n", "\nPLOT_NAME _water_dimer.dat\n"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
  // x from -3.6552 to 3.1755, y from -0.7063 to 1.4409, z from -1.4335 to
  // 1.4335: the spans plus 2 x 2 bohr are 10.83, 6.15 and 6.87, 44, 25 and
  // 28 steps of 0.25.
  for (const char* expected : {"\nN_POINTS_X 45\n", "\nN_POINTS_Y 26\n", "\nN_POINTS_Z 29\n"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected;

  // Names too long for their columns, or not one word for PLOT_NAME: the
  // field is named, nothing printed, status 2.
  struct Case {
    std::string file;
    std::string field;
  };
  const std::vector<Case> cases = {
      {"twenty_characters_xx.wfn", "OUTPUT_FILE_NAME: twenty_characters_xx_report.txt does not fit columns 18-47"},
      {"a molecule.wfn", "PLOT_NAME: _a molecule.dat holds a blank"},
      {std::string(30, 'd') + "/w.wfn", "INPUT: " + std::string(30, 'd') + "/w.wfn does not fit columns 7-39"}};
  for (const Case& c : cases) {
    fs::create_directories(fs::path(c.file).parent_path().empty() ? "." : fs::path(c.file).parent_path());
    fs::copy_file(kWaterDimer, c.file);
    const ProgramResult bad = run_program({"--template", c.file});
    EXPECT_EQ(bad.status, 2) << c.file;
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind(" tessaro --template: " + c.field, 0), 0u) << bad.err;
  }
  // A .wfx file is read by its first tag, whatever its name: the water of
  // examples/water-wfx lies within 1.5 bohr of the origin.
  fs::copy_file(kSource / "examples" / "water-wfx" / "h2o_qz.wfx", "water.dat");
  const ProgramResult wfx = run_program({"--template", "water.dat"});
  EXPECT_EQ(wfx.status, 0) << wfx.err;
  EXPECT_NE(wfx.out.find("\nINPUT water.dat\n"), std::string::npos);
  const ProgramResult missing = run_program({"--template", "absent.wfn"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, " absent.wfn file cannot be opened, program stop\n");
}

// --help points to the manual page, and the page describes every option the
// help text names.
TEST_F(CommandLine, HelpAndManualPageNameTheSameOptions) {
  const ProgramResult help = run_program({"--help"});
  EXPECT_NE(help.out.find("man tessaro"), std::string::npos);
  const std::string page = read_file(kSource / "man" / "tessaro.1");
  ASSERT_FALSE(page.empty());
  for (const char* option : {"threads", "check", "template", "step", "margin", "help", "version"}) {
    EXPECT_NE(help.out.find(std::string("--") + option), std::string::npos) << option;
    EXPECT_NE(page.find(std::string("\\-\\-") + option), std::string::npos) << option;
  }
  EXPECT_NE(page.find("OMP_NUM_THREADS"), std::string::npos);
}

TEST(MoleculeBox, CoversEveryNucleusWithTheMargin) {
  struct Case {
    double lo, hi, step, margin;
    long long points;
  };
  // One nucleus and a margin of 0: one point. A span that the steps reach
  // exactly takes no extra point.
  const Case cases[] = {{0.0, 0.0, 0.2, 0.0, 1},
                        {0.0, 0.0, 0.2, 3.0, 31},
                        {-1.0, 1.0, 0.5, 1.0, 9},
                        {-1.0, 1.05, 0.5, 1.0, 10},
                        {0.0, 1.0, 0.3, 0.0, 5}};
  for (const Case& c : cases) {
    const double x[2] = {c.lo, c.hi}, yz[2] = {0.0, 0.0};
    const MoleculeBox box = molecule_box(x, yz, yz, 2, TemplateBox{c.step, c.margin});
    EXPECT_EQ(box.points[0], c.points) << c.lo << " " << c.hi;
    EXPECT_EQ(box.centre[0], 0.5 * (c.lo + c.hi));
    EXPECT_GE((box.points[0] - 1) * c.step, c.hi - c.lo + 2 * c.margin - 1e-9);
  }
  EXPECT_EQ(template_base_name("../data/benzene.dimer.wfn"), "benzene.dimer");
  EXPECT_EQ(template_base_name(".wfn"), "molecule");
}

// The quick start of README.md, run as written in a folder that holds the
// shipped wavefunction: the hydrogen bond of the water dimer shows as points
// of low RDG at rho*sign(lambda2) between -0.03 and -0.02 a.u.
TEST_F(CommandLine, ReadmeQuickStartWorksAsWritten) {
  const std::vector<std::string> readme = lines_of(read_file(kSource / "README.md"));
  const auto section =
      std::find(readme.begin(), readme.end(), "### From a wavefunction to the NCI picture in two commands");
  ASSERT_NE(section, readme.end());
  std::vector<std::string> commands;
  for (auto it = section + 1; it != readme.end() && !it->starts_with("#"); ++it)
    if (it->starts_with("    ../../build/tessaro "))
      commands.push_back(it->substr(std::string("    ../../build/tessaro ").size()));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(std::find(section, readme.end(), "    cd examples/water-dimer") - section, 4);
  fs::copy_file(kWaterDimer, "water_dimer.wfn");
  for (const std::string& command : commands) ASSERT_EQ(run_binary(command), 0) << command;

  int spike = 0;
  double lowest = 0.0, highest = -1.0;
  for (const std::string& line : lines_of(read_file("rhosign_water_dimer.dat"))) {
    double rdg = 0, value = 0;
    const char* p = line.data() + line.find_first_not_of(' ');
    auto [end, ec] = std::from_chars(p, line.data() + line.size(), rdg);
    ASSERT_EQ(ec, std::errc()) << line;
    p = end + std::string_view(end, line.data() + line.size() - end).find_first_not_of(' ');
    std::from_chars(p, line.data() + line.size(), value);
    if (!(rdg < 0.5 && value > -0.05 && value < -0.01)) continue;
    ++spike;
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
  }
  EXPECT_GT(spike, 20);
  EXPECT_GE(lowest, -0.031);
  EXPECT_LE(highest, -0.020);
  for (const char* file : {"water_dimer_report.txt", "rhosign_water_dimer.dat.svg", "rho_water_dimer.dat.svg",
                           "water_dimer_rdg.vmd", "water_dimer_Habr.cube"})
    EXPECT_TRUE(fs::exists(file)) << file;
}

// --check never writes: the folder is the same before and after, whatever the
// template. Each example would start; each kind of stop is found and said
// with the run's own message.
TEST_F(CommandLine, CheckWritesNothing) {
  const std::pair<const char*, const char*> examples[] = {{"water-dimer", "water_dimer.inp"},
                                                          {"rdg-cub", "formic_dimer.inp"},
                                                          {"rdg-gau", "water_gau.inp"},
                                                          {"rdg-xd2", "hf_xd2.inp"},
                                                          {"top", "mgo_top.inp"}};
  for (const auto& [example, input] : examples) {
    TempFolder folder;
    for (const auto& entry : fs::directory_iterator(kSource / "examples" / example)) {
      const std::string name = entry.path().filename().string();
      if (name != "README.md" && name != "make_files.py") fs::copy_file(entry.path(), name);
    }
    const std::set<std::string> before = folder.names();
    const ProgramResult r = run_program({"--check", input});
    EXPECT_EQ(r.status, 0) << example << "\n" << r.out;
    EXPECT_NE(r.out.find("The run would start (status 0).\n"), std::string::npos) << example;
    EXPECT_NE(r.out.find("Files written:\n"), std::string::npos) << example;
    EXPECT_EQ(folder.names(), before) << example;
  }

  const std::string rdg =
      "OUTPUT_FILE_NAME report.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\n"
      "CALCULATING *RDG *rho\nRHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL= *calc\n"
      "RDG_CALCULATION *all_p\nRDG_OUTPUT rdg\nSPACE_CUTOFF *none\nRHO_SIGN_CALCULATION\n";
  const std::string cube =
      "\n\n    1    0.000000    0.000000    0.000000\n    5    0.200000    0.000000    0.000000\n"
      "    5    0.000000    0.200000    0.000000\n    5    0.000000    0.000000    0.200000\n"
      "    1    1.000000    0.000000    0.000000    0.000000\n";
  struct Case {
    const char* what;
    std::string text;
    std::string cube;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"a template stop", "OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\nPROPERTIES FROM WAVEFUNCTION\n", "",
       "the keyword INPUT was not found after line 3 of input.inp"},
      {"an input file missing", rdg + "RHO_SIGN_OUTPUT rs\n", "", "rho.cube file cannot be opened, program stop"},
      {"a name collision", rdg + "RHO_SIGN_OUTPUT rho\n", cube,
       "RHO_SIGN_OUTPUT names the input file rho.cube (RHO_INPUT_CUBE), program stop"},
      {"a value that is not a number",
       "OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\nPROPERTIES FROM WAVEFUNCTION\n"
       "INPUT m.wfn\nOUTPUT m\nCALCULATING *rho\nCENTER 0 0 0\nN_POINTS_X ten\n",
       "", "N_POINTS_X: columns 12-40 of line 8 of input.inp cannot be read as a whole number"},
      {"a rejected cube header", rdg + "RHO_SIGN_OUTPUT rs\n", "\n\n   -1    0.000000    0.000000    0.000000\n",
       "the atom count -1 is negative"},
      {"a box too large for the memory", "OUTPUT_FILE_NAME report.txt\nSECTIONS *WFN\nPROPERTIES FROM WAVEFUNCTION\n"
       "INPUT m.wfn\nOUTPUT m\nCALCULATING *rho\nCENTER 0 0 0\nN_POINTS_X 2000000000\nSTEPSIZE_X 0.1\n"
       "N_POINTS_Y 2000000000\nSTEPSIZE_Y 0.1\nN_POINTS_Z 2000000000\nSTEPSIZE_Z 0.1\n", "",
       "Allocation would exceed memory limit"},
      {"no report name", "OUTPUT_FILE_NAME\nSECTIONS\n", "", "NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP"}};
  for (const Case& c : cases) {
    TempFolder folder;
    write_file("input.inp", c.text);
    if (!c.cube.empty()) write_file("rho.cube", c.cube);
    const std::set<std::string> before = folder.names();
    const ProgramResult r = run_program({"--check", "input.inp"});
    EXPECT_EQ(r.status, 1) << c.what << "\n" << r.out;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << c.what << "\n" << r.out;
    EXPECT_NE(r.out.find("The run would stop (status 1).\n"), std::string::npos) << c.what;
    EXPECT_EQ(folder.names(), before) << c.what;
  }
}

}  // namespace
}  // namespace tessaro::testing
