// Runs each example of examples/ as a user would: its input files copied into
// a fresh folder, the built program run on its template there. Checks the
// exit status, the files its README promises, the report's statistics table,
// and that the hydrogen bond's low-RDG spike sits where the chemistry puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/examples.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

// A temporary folder holding copies of the example's input files (those its
// README lists), the working directory while it lives.
class ExampleFolder {
 public:
  explicit ExampleFolder(const std::string& example) : source_(examples_root() / example) {
    for (const std::string& name : example_inputs(source_)) {
      inputs_.insert(name);
      fs::copy_file(source_ / name, folder_.path() / name);
    }
  }

  const fs::path& dir() const { return folder_.path(); }
  const fs::path& source() const { return source_; }
  const std::set<std::string>& inputs() const { return inputs_; }

  // Runs the program on the template in the folder; the exit status.
  int run(const std::string& input) const { return run_binary(input + " > console.txt 2>&1"); }

 private:
  TempFolder folder_;
  fs::path source_;
  std::set<std::string> inputs_;
};

// Runs the example and checks what every example promises: status 0, the
// README's one command, and every file the README lists, none of them an
// input file.
void run_and_check_outputs(const ExampleFolder& folder, const std::string& input) {
  const std::string readme = read_file(folder.source() / "README.md");
  EXPECT_NE(readme.find("../../build/tessaro " + input), std::string::npos) << "README lacks the run command";
  ASSERT_EQ(folder.inputs().count(input), 1u) << input;
  ASSERT_EQ(folder.run(input), 0) << read_file(folder.dir() / "console.txt");

  const std::vector<std::string> outputs = readme_list(readme, "Files that come out");
  ASSERT_FALSE(outputs.empty()) << "README lists no output files";
  for (const std::string& name : outputs) {
    EXPECT_EQ(folder.inputs().count(name), 0u) << name << " is both an input and an output";
    const fs::path path = folder.dir() / name;
    EXPECT_TRUE(fs::exists(path) && fs::file_size(path) > 0) << name << " was not written";
  }
}

// The ten rows of the statistics table follow its header line.
void expect_statistics_table(const fs::path& report) {
  const std::vector<std::string> lines = lines_of(read_file(report));
  std::size_t header = 0;
  while (header < lines.size() && lines[header] != " REDUCED DENSITY GRADIENT ISOSURFACES STATISTICS") ++header;
  ASSERT_LT(header + 11, lines.size()) << "no statistics table in " << report;
  EXPECT_EQ(lines[header + 1].rfind("    RDG max    |   N. POINTS   |", 0), 0u);
  for (int k = 1; k <= 10; ++k) {
    const std::string threshold = k == 10 ? "1.0" : "0." + std::to_string(k);
    EXPECT_EQ(lines[header + 1 + k].rfind("       " + threshold + "     |", 0), 0u) << lines[header + 1 + k];
  }
}

// The plot point of lowest RDG among those whose rho*sign(lambda2) lies in
// [low, high]: {RDG, rho*sign(lambda2)}. Each plot line holds the RDG and
// then the value.
std::pair<double, double> spike_between(const fs::path& plot, double low, double high) {
  std::pair<double, double> lowest{1.0e30, 0.0};
  for (const std::string& line : lines_of(read_file(plot))) {
    double values[2];
    const char* p = line.data();
    const char* end = line.data() + line.size();
    bool ok = true;
    for (double& value : values) {
      while (p < end && *p == ' ') ++p;
      const auto [next, error] = std::from_chars(p, end, value);
      ok = ok && error == std::errc();
      p = next;
    }
    if (ok && values[1] >= low && values[1] <= high && values[0] < lowest.first) lowest = {values[0], values[1]};
  }
  return lowest;
}

// The hydrogen bond's spike: its lowest RDG within [rdg_low, rdg_high] at
// rho*sign(lambda2) within [low, high]. A scrambled gradient (extra lines
// read as values, a wrong unit) gives RDG values near 0 or none at all there.
void expect_spike(const fs::path& plot, double low, double high, double rdg_low, double rdg_high) {
  const auto [rdg, rhosign] = spike_between(plot, low - 0.01, high + 0.01);
  EXPECT_GE(rdg, rdg_low) << plot;
  EXPECT_LE(rdg, rdg_high) << plot;
  EXPECT_GE(rhosign, low) << plot;
  EXPECT_LE(rhosign, high) << plot;
}

TEST(ExamplesRun, RdgCubOnTheRealFormicAcidDimerDensity) {
  ExampleFolder folder("rdg-cub");
  run_and_check_outputs(folder, "formic_dimer.inp");
  expect_statistics_table(folder.dir() / "formic_dimer_report.txt");
  // The double hydrogen bond: low RDG at about -0.045 a.u.
  expect_spike(folder.dir() / "rhosign_formic.dat", -0.05, -0.04, 0.05, 0.15);
}

TEST(ExamplesRun, RdgGauReadsGradientAndLaplacianPastTheirExtraLines) {
  ExampleFolder folder("rdg-gau");
  run_and_check_outputs(folder, "water_gau.inp");
  expect_statistics_table(folder.dir() / "water_gau_report.txt");
  // Reading the extra lines as values would scramble the gradient and lose
  // the hydrogen bond's spike.
  expect_spike(folder.dir() / "rhosign_water.dat", -0.035, -0.025, 0.3, 0.45);
  // The gradient cube read is the analytic one, not a computed one.
  EXPECT_FALSE(fs::exists(folder.dir() / "grad_numerical.cube"));
}

TEST(ExamplesRun, RdgXd2ReadsGrdFilesInAngstromUnits) {
  ExampleFolder folder("rdg-xd2");
  run_and_check_outputs(folder, "hf_xd2.inp");
  expect_statistics_table(folder.dir() / "hf_xd2_report.txt");
  // The spike in atomic units shows the grd values were converted from e/A^3
  // and that the Laplacian's sign was turned back.
  expect_spike(folder.dir() / "rhosign_hf.dat", -0.04, -0.03, 0.1, 0.2);
  // Every written grd file starts with the density grd file's header lines.
  const std::vector<std::string> in = lines_of(read_file(folder.dir() / "hf_rho.grd"));
  const std::vector<std::string> out = lines_of(read_file(folder.dir() / "hf_rdg.grd"));
  ASSERT_GT(out.size(), 16u);
  for (std::size_t n = 0; n < 16; ++n) {
    const std::size_t first = in[n].find_first_not_of(' ');
    const std::string text = first == std::string::npos ? "" : in[n].substr(first);
    EXPECT_EQ(out[n].substr(0, text.size()), text) << "header line " << n + 1;
  }
}

TEST(ExamplesRun, WaterWfxWithGFunctionsThroughWfnAndRdg) {
  ExampleFolder folder("water-wfx");
  run_and_check_outputs(folder, "water_wfx.inp");
  expect_statistics_table(folder.dir() / "water_wfx_report.txt");
  // The file checks out (no electron-count warning); the RDG section read the
  // analytic gradient instead of computing one.
  EXPECT_EQ(read_file(folder.dir() / "water_wfx_report.txt").find("electron count"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.dir() / "grad_numerical.cube"));
  // The oxygen's density peak lies at its nucleus (-1.33, -0.11, 0.02 bohr):
  // the largest value of the cube at the point nearest to it, (i, j, k) =
  // (19, 24, 24) counted from 0.
  const std::vector<std::string> lines = lines_of(read_file(folder.dir() / "h2o_rho.cube"));
  ASSERT_GT(lines.size(), 9u);
  std::vector<double> values;
  for (std::size_t n = 9; n < lines.size(); ++n)
    for (std::size_t p = 0; p + 12 <= lines[n].size(); p += 13) values.push_back(std::stod(lines[n].substr(p, 13)));
  ASSERT_EQ(values.size(), 49u * 49u * 49u);
  // The cube lists k fastest.
  const std::size_t peak = std::max_element(values.begin(), values.end()) - values.begin();
  EXPECT_EQ(peak, (19u * 49u + 24u) * 49u + 24u);
}

TEST(ExamplesRun, TopConvertsBothGridsWithTheEightAtomsOfTheCell) {
  ExampleFolder folder("top");
  run_and_check_outputs(folder, "mgo_top.inp");
  const std::string report = read_file(folder.dir() / "mgo_top_report.txt");
  EXPECT_NE(report.find("2  file(s) will converted from topond format to cube format."), std::string::npos);
  EXPECT_NE(report.find("+x,+y+0.50,+z+0.50,"), std::string::npos);
  for (const char* cube : {"mgo_rho_top.cube", "mgo_lapl_top.cube"}) {
    const std::vector<std::string> lines = lines_of(read_file(folder.dir() / cube));
    ASSERT_GT(lines.size(), 14u) << cube;
    EXPECT_EQ(lines[2].substr(0, 5), "    8") << cube;
    EXPECT_EQ(lines[3].substr(0, 5), "   24") << cube;
    // Four Mg and four O, face-centred: Mg at (a/2, a/2, 0) in bohr.
    EXPECT_EQ(lines[8], "   12   12.000000    3.984488    3.984488    0.000000") << cube;
  }
}


// The tests copy only the files an example's README lists as its inputs, so
// the outputs a user's runs leave in the folder never become inputs. The list
// must name every file the folder is made of (what git keeps there, besides
// its notes and the script that wrote the inputs) and every one must exist.
TEST(ExamplesRun, EveryFolderListsItsInputFiles) {
  for (const std::string& example : example_folders()) {
    const fs::path folder = examples_root() / example;
    const std::vector<std::string> listed = example_inputs(folder);
    EXPECT_FALSE(listed.empty()) << example << ": README lists no input files";
    for (const std::string& name : listed) EXPECT_TRUE(fs::is_regular_file(folder / name)) << example << ": " << name;
    std::set<std::string> tracked;
    const std::string command = "git -C '" + folder.string() + "' ls-files 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char line[4096];
      while (std::fgets(line, sizeof line, pipe)) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (!name.ends_with(".md") && name != "make_files.py" && name.find('/') == std::string::npos) tracked.insert(name);
      }
      pclose(pipe);
    }
    if (tracked.empty()) continue;  // not a git checkout
    EXPECT_EQ(tracked, std::set<std::string>(listed.begin(), listed.end())) << example;
  }
}

}  // namespace
}  // namespace tessaro::testing
