// Threads change no byte: every example and a few odd-sized grids run with
// 1, 2, 3 and 7 threads (the built program, --threads N), and every file each
// run leaves (results, report, console) must equal the one-thread run's. The
// grids have 5, 6, 13 and other prime counts along their axes, so rows of a
// cube (k fastest, six values to a line), of a grd and of a TOPOND grid end
// in short lines and no count is a multiple of a block of rows. Also the
// --threads option and the default count.
#include <gtest/gtest.h>
#include <sched.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_files.hpp"
#include "run/threads.hpp"
#include "support/examples.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

fs::path source_root() { return fs::path(TESSARO_SOURCE_DIR); }

// Every file of a folder, by name.
std::map<std::string, std::string> files_of(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) files[entry.path().filename().string()] = read_file(entry.path());
  return files;
}

// Runs `input` in copies of the folder `inputs`, once per thread count, and
// compares every file with the one-thread run's.
void expect_same_files_for_any_thread_count(const fs::path& inputs, const std::string& input) {
  const std::size_t inputs_count = files_of(inputs).size();
  std::map<std::string, std::string> one_thread;
  for (const int threads : {1, 2, 3, 7}) {
    const fs::path dir = inputs.parent_path() / ("threads-" + std::to_string(threads));
    fs::copy(inputs, dir);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    const int status = run_binary("--threads " + std::to_string(threads) + " " + input + " > console.txt 2>&1");
    fs::current_path(previous);
    const std::map<std::string, std::string> files = files_of(dir);
    EXPECT_EQ(status, 0) << input << ", " << threads << " threads: " << files.at("console.txt");
    if (threads == 1) {
      one_thread = files;
      // More than the inputs, the console and a report: results came out.
      EXPECT_GT(files.size(), inputs_count + 2) << input;
      continue;
    }
    for (const auto& [name, bytes] : one_thread) {
      const auto it = files.find(name);
      if (it == files.end()) {
        ADD_FAILURE() << name << " missing with " << threads << " threads";
      } else if (it->second != bytes) {
        std::size_t at = 0;
        while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at]) ++at;
        ADD_FAILURE() << name << " differs with " << threads << " threads from byte " << at;
      }
    }
    EXPECT_EQ(files.size(), one_thread.size()) << threads << " threads";
    fs::remove_all(dir);
  }
}

class ThreadsExample : public ::testing::TestWithParam<std::string> {};

TEST_P(ThreadsExample, EveryFileTheSameForAnyThreadCount) {
  TempFolder folder;
  const fs::path source = examples_root() / GetParam();
  fs::create_directory("inputs");
  std::string input;
  for (const std::string& name : example_inputs(source)) {
    fs::copy_file(source / name, fs::path("inputs") / name);
    if (name.ends_with(".inp")) input = name;
  }
  ASSERT_FALSE(input.empty()) << "no template in " << source;
  expect_same_files_for_any_thread_count(folder.path() / "inputs", input);
}

INSTANTIATE_TEST_SUITE_P(ThreadsExamples, ThreadsExample, ::testing::ValuesIn(example_folders()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

// Odd-sized boxes and grids: every axis takes each of 5, 6 and 13 points in
// turn, and one larger box has prime counts.
const std::array<std::array<int, 3>, 4> kOddSizes = {{{5, 6, 13}, {6, 13, 5}, {13, 5, 6}, {37, 29, 23}}};

// The RDG section's jobs with computed derivatives, every point, both plots.
std::string rdg_lines(const std::string& format) {
  return "RDG,RHO*(signL2) AND ABRAMOV\n"
         "INPUT " + format + "\n"
         "CALCULATING *RDG *rho *Abr *plo\n"
         "RHO_INPUT_CUBE rho.cube\n"
         "RHO_INPUT_GRD(XD only) rho.grd\n"
         "GRAD= *calc  read\n"
         "LAPL= *calc  read\n"
         "RDG_CALCULATION *all_p  rho_c  rhosi\n"
         "RDG_OUTPUT out_rdg\n"
         "SPACE_CUTOFF *none  atom  exte\n"
         "RHO_SIGN_CALCULATION  RDG_p\n"
         "RHO_SIGN_OUTPUT out_rhosign\n"
         "ENERGY_CALCULATION  RDG_p\n"
         "ENERGY_OUTPUT out\n"
         "2DPLOT *rho *rhosign\n"
         "PLOT_NAME _out.dat\n";
}

// The WFN section's four jobs on the water dimer in a box of the given
// counts, then the RDG section on the density cube it writes.
TEST(ThreadsOddGrids, WfnBoxesAndTheRdgSectionOnTheirDensity) {
  for (const auto& n : kOddSizes) {
    TempFolder folder;
    fs::create_directory("inputs");
    fs::copy_file(source_root() / "tests" / "data" / "wavefunction" / "water_dimer.wfn", "inputs/water_dimer.wfn");
    std::string text =
        "OUTPUT_FILE_NAME report.txt\n"
        "SECTIONS *WFN  TOP *RDG\n"
        "PROPERTIES FROM WAVEFUNCTION\n"
        "INPUT water_dimer.wfn\n"
        "OUTPUT wfn\n"
        "CALCULATING *rho *gra *lap *ene\n"
        "CENTER 0.1 -0.2 0.3\n";
    const char* axes[] = {"X", "Y", "Z"};
    for (std::size_t a = 0; a < 3; ++a)
      text += std::string("N_POINTS_") + axes[a] + " " + std::to_string(n[a]) + "\nSTEPSIZE_" + axes[a] + " " +
              std::to_string(6.0 / n[a]) + "\n";
    std::string rdg = rdg_lines("XD2  GAU *CUB");
    rdg.replace(rdg.find("rho.cube"), 8, "wfn_rho.cube");
    write_file("inputs/run.inp", text + rdg);
    SCOPED_TRACE(std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " + std::to_string(n[2]));
    expect_same_files_for_any_thread_count(folder.path() / "inputs", "run.inp");
  }
}

// A .wfx file with g functions and core densities (added row by row to the
// density, gradient and Laplacian), the WFN section's four jobs on an odd box.
TEST(ThreadsOddGrids, WfxWithGFunctionsAndCoreDensities) {
  TempFolder folder;
  fs::create_directory("inputs");
  const std::string wfx = read_file(source_root() / "tests" / "data" / "wavefunction" / "gh_wfn" / "h2o_qz.wfx");
  write_file("inputs/core.wfx",
             wfx.substr(0, wfx.find("<Energy")) +
                 "<Additional Electron Density Function (EDF)>\n<Number of EDF Primitives>\n 2\n"
                 "</Number of EDF Primitives>\n<EDF Primitive Centers>\n 1 1\n</EDF Primitive Centers>\n"
                 "<EDF Primitive Types>\n 1 1\n</EDF Primitive Types>\n<EDF Primitive Exponents>\n 30.0 4.0\n"
                 "</EDF Primitive Exponents>\n<EDF Primitive Coefficients>\n 10.0 -0.5\n"
                 "</EDF Primitive Coefficients>\n</Additional Electron Density Function (EDF)>\n");
  write_file("inputs/run.inp",
             "OUTPUT_FILE_NAME report.txt\n"
             "SECTIONS *WFN  TOP  RDG\n"
             "PROPERTIES FROM WAVEFUNCTION\n"
             "INPUT core.wfx\n"
             "OUTPUT wfx\n"
             "CALCULATING *rho *gra *lap *ene\n"
             "CENTER -1.0 0.5 0.0\n"
             "N_POINTS_X 13\nSTEPSIZE_X 0.3\nN_POINTS_Y 11\nSTEPSIZE_Y 0.35\nN_POINTS_Z 7\nSTEPSIZE_Z 0.4\n");
  expect_same_files_for_any_thread_count(folder.path() / "inputs", "run.inp");
}

// A promolecular density of two atoms (bohr), the origin at (-2.5, -2, -1.5)
// and steps of 0.4, 0.35 and 0.3 bohr.
GridData promolecule(const std::array<int, 3>& n) {
  GridData g;
  g.natoms = 2;
  g.atoms = {{8, 8.0f, -0.5f, 0.0f, 0.2f}, {1, 1.0f, 1.3f, 0.4f, -0.3f}};
  g.origin = {-2.5f, -2.0f, -1.5f};
  g.n = n;
  g.axis = {{{0.4f, 0.0f, 0.0f}, {0.0f, 0.35f, 0.0f}, {0.0f, 0.0f, 0.3f}}};
  g.cube_array.resize(g.size());
  for (std::size_t k = 0; k < g.n3(); ++k)
    for (std::size_t j = 0; j < g.n2(); ++j)
      for (std::size_t i = 0; i < g.n1(); ++i) {
        double rho = 0.0;
        for (const GridAtom& a : g.atoms) {
          const double dx = g.origin[0] + 0.4 * i - a.x, dy = g.origin[1] + 0.35 * j - a.y,
                       dz = g.origin[2] + 0.3 * k - a.z;
          rho += a.charge * std::exp(-2.0 * std::sqrt(dx * dx + dy * dy + dz * dz));
        }
        g.cube_array[g.index(i, j, k)] = rho;
      }
  return g;
}

// The RDG section on an odd-sized density read from a cube header and a grd
// file (XD2), every result also written as a grd file.
TEST(ThreadsOddGrids, RdgSectionOnGrdFiles) {
  for (const auto& n : kOddSizes) {
    TempFolder folder;
    fs::create_directory("inputs");
    GridData g = promolecule(n);
    std::ofstream cube("inputs/rho.cube", std::ios::binary);
    cube_writing(cube, g, g.cube_array);
    cube.close();
    std::vector<std::string> header = {"3DGRDFIL  0", "RHO", "", "! Gridpoints, Origin, Physical Dimensions",
                                       std::to_string(n[0]) + " " + std::to_string(n[1]) + " " + std::to_string(n[2]),
                                       "-1.3229 -1.0583 -0.7938", "2.0 1.8 1.5", "! Objects", "2", "O(1) ATOM",
                                       "H(1) ATOM", "! Connections", "0", "! Values"};
    to_grd_density_units(g.cube_array);
    std::ofstream grd("inputs/rho.grd", std::ios::binary);
    grd_writing(grd, g.cube_array, 2, n[0], n[1], n[2], header);
    grd.close();
    write_file("inputs/run.inp", "OUTPUT_FILE_NAME report.txt\nSECTIONS  WFN  TOP *RDG\n" + rdg_lines("*XD2  GAU  CUB"));
    SCOPED_TRACE(std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " + std::to_string(n[2]));
    expect_same_files_for_any_thread_count(folder.path() / "inputs", "run.inp");
  }
}

// TOPOND grids of odd sizes (eight values to a line, x fastest) to cubes.
TEST(ThreadsOddGrids, TopondGridsToCubes) {
  TempFolder folder;
  fs::create_directory("inputs");
  fs::copy_file(source_root() / "examples" / "top" / "mgo_crystal.out", "inputs/crystal.out");
  std::string text = "OUTPUT_FILE_NAME report.txt\nSECTIONS  WFN *TOP  RDG\nTOPOND TO CUBE CONVERSION\nN_OF_GRIDS 3\n";
  for (std::size_t g = 0; g < 3; ++g) {
    const GridData grid = promolecule(kOddSizes[g]);
    char line[64];
    std::string file;
    std::snprintf(line, sizeof line, "%4d%4d%4d\n", grid.n[0], grid.n[1], grid.n[2]);
    file += line;
    for (std::size_t a = 0; a < 3; ++a) {
      std::snprintf(line, sizeof line, "%15.8E%17s%15.8E\n", grid.origin[a], "", grid.axis[a][a]);
      file += line;
    }
    for (std::size_t k = 0; k < grid.n3(); ++k)
      for (std::size_t j = 0; j < grid.n2(); ++j)
        for (std::size_t i = 0; i < grid.n1(); ++i) {
          std::snprintf(line, sizeof line, "%16.8E", grid.cube_array[grid.index(i, j, k)]);
          file += line;
          if (i % 8 == 7 || i + 1 == grid.n1()) file += '\n';
        }
    const std::string name = "g" + std::to_string(g);
    write_file("inputs/" + name + ".grd", file);
    text += "GRID_FILE_NAME " + name + ".grd\nCUBE_NAME(OUTPUT) " + name + "_top\n";
  }
  text += "CRYSTAL_OUTPUT_NAME crystal.out\nN_OF_SYMM_OPERATIONS 2\nSYMM x,y,z\nSYMM x+1/2,y+1/2,z\n";
  write_file("inputs/run.inp", text);
  expect_same_files_for_any_thread_count(folder.path() / "inputs", "run.inp");
}

// --threads N before the input file name: a whole number from 1 up, or the
// run stops at once with status 2, one line naming the fault and the usage
// line.
TEST(ThreadsOption, GoodAndBadCounts) {
  TempFolder folder;
  write_file("in.inp", "OUTPUT_FILE_NAME report.txt\nSECTIONS\n");
  const std::string usage = "usage: tessaro INPUT_FILE   (tessaro --help for more)\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
    int threads;  // the count afterwards (with OpenMP)
  };
  const std::string bad = ": the thread count must be a whole number from 1 up\n";
  const Case cases[] = {
      {{"--threads", "1", "in.inp"}, 0, "", 1},
      {{"--threads", "3", "in.inp"}, 0, "", 3},
      {{"--threads", "64", "in.inp"}, 0, "", 64},
      {{"--threads", "5", "--threads", "2", "in.inp"}, 0, "", 2},
      {{"--threads", "2", "--version"}, 0, "", 2},
      {{"--threads", "2"}, 2, usage, 2},
      {{"--threads", "0", "in.inp"}, 2, "--threads 0" + bad + usage, 0},
      {{"--threads", "-2", "in.inp"}, 2, "--threads -2" + bad + usage, 0},
      {{"--threads", "x", "in.inp"}, 2, "--threads x" + bad + usage, 0},
      {{"--threads", "2.5", "in.inp"}, 2, "--threads 2.5" + bad + usage, 0},
      {{"--threads", "+2", "in.inp"}, 2, "--threads +2" + bad + usage, 0},
      {{"--threads", "", "in.inp"}, 2, "--threads " + bad + usage, 0},
      {{"--threads", "99999999999", "in.inp"}, 2, "--threads 99999999999" + bad + usage, 0},
      {{"--threads"}, 2, "--threads: no thread count given\n" + usage, 0},
      // An option after the input file name is no option.
      {{"in.inp", "--threads", "x"}, 0, "", 0},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += " [" + a + "]";
    const ProgramResult r = run_program(c.args);
    EXPECT_EQ(r.status, c.status) << line;
    EXPECT_EQ(r.err, c.err) << line;
#ifdef _OPENMP
    if (c.threads > 0) {
      EXPECT_EQ(thread_count(), c.threads) << line;
    }
#endif
  }
}

// Without --threads: the first count of OMP_NUM_THREADS when it is a
// positive whole number, otherwise the cores this process may run on.
TEST(ThreadsOption, DefaultCount) {
#ifdef _OPENMP
  cpu_set_t set;
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  const int cores = CPU_COUNT(&set);
  const char* saved = std::getenv("OMP_NUM_THREADS");
  const std::optional<std::string> before = saved ? std::optional<std::string>(saved) : std::nullopt;
  const std::pair<const char*, int> cases[] = {
      {"3", 3}, {" 5", 5}, {"4,2", 4}, {"0", cores}, {"-1", cores}, {"x", cores}, {"2x", cores}, {"", cores},
  };
  for (const auto& [value, expected] : cases) {
    setenv("OMP_NUM_THREADS", value, 1);
    EXPECT_EQ(default_thread_count(), expected) << "[" << value << "]";
  }
  unsetenv("OMP_NUM_THREADS");
  EXPECT_EQ(default_thread_count(), cores);
  if (before) setenv("OMP_NUM_THREADS", before->c_str(), 1);
#else
  EXPECT_EQ(default_thread_count(), 1);
  EXPECT_EQ(thread_count(), 1);
#endif
}

}  // namespace
}  // namespace tessaro::testing
