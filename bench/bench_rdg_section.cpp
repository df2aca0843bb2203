// The RDG section end to end on a 200 x 200 x 200 density grid: gradient and
// Laplacian computed, RDG at every point, rho*sign(lambda2) at every point,
// Abramov energies, both plots, CUB files. The section runs once with one
// thread and once with two, each in a process of its own, so that each
// reports its own peak resident memory: the wall and processor time of the
// whole section (reading the density cube, computing, writing every file),
// the bytes written, and the peak memory in bytes per grid point.
//
//   bash bench/run.sh bench_rdg_section
//   build-bench/bench_rdg_section [N = 200] [work folder, kept afterwards] [thread counts = 1 2]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/calc_stuff.hpp"
#include "grid/grid_files.hpp"
#include "run/run.hpp"
#include "run/threads.hpp"
namespace fs = std::filesystem;
using namespace tessaro;

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this process (user + system), which the other programs
// sharing the machine do not inflate.
double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}


// Two water-like molecules of Slater densities, 0.1 bohr steps.
GridData make_density(int n) {
  GridData g;
  g.natoms = 6;
  g.n = {n, n, n};
  const float h = 0.1f;
  const float o = -0.05f * static_cast<float>(n);
  g.origin = {o, o, o};
  g.axis = {{{h, 0, 0}, {0, h, 0}, {0, 0, h}}};
  const float atoms[6][4] = {{8, -2.93f, -0.22f, 0}, {1, -3.66f, 1.44f, 0},       {1, -1.13f, 0.08f, 0},
                             {8, 2.55f, 0.21f, 0},   {1, 3.18f, -0.71f, -1.43f}, {1, 3.18f, -0.71f, 1.43f}};
  for (const auto& a : atoms) g.atoms.push_back({static_cast<std::int32_t>(a[0]), a[0], a[1], a[2], a[3]});
  g.cube_array.resize(g.size());
  for (std::size_t k = 0; k < g.n3(); ++k)
    for (std::size_t j = 0; j < g.n2(); ++j)
      for (std::size_t i = 0; i < g.n1(); ++i) {
        const double x = o + h * static_cast<double>(i), y = o + h * static_cast<double>(j),
                     z = o + h * static_cast<double>(k);
        double rho = 0.0;
        for (const auto& a : atoms) {
          const double r = std::sqrt((x - a[1]) * (x - a[1]) + (y - a[2]) * (y - a[2]) + (z - a[3]) * (z - a[3]));
          rho += a[0] * std::exp(-2.0 * a[0] / 4.0 * r) * 0.3;
        }
        g.cube_array[g.index(i, j, k)] = rho;
      }
  return g;
}

std::string field(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}


// One run of the section with `threads` threads, in the current folder,
// which holds rho.cube. Prints its times; returns 0 when it ran.
int run_section(int threads) {
  set_thread_count(threads);
  tessaro::Run run;
  if (!run.open_report("report.txt")) return 1;
  InputVariables& iv = run.input_variables;
  iv.inp1_risp = {0, 0, 1};
  iv.inprdg_risp = {0, 0, 1};
  iv.calc_risp = {1, 1, 1, 1};
  iv.rhocube_inp = field("rho.cube", 35);
  iv.grad_calc = iv.lapl_calc = 1;
  iv.rdg_risp = {1, 0, 0};
  iv.rdg_rispace = {1, 0, 0};
  iv.rdg_outname = field("rdg", 30);
  iv.rhosign_outname = field("rhosign", 30);
  iv.e_outname = field("ener", 30);
  iv.duedplot = {1, 1, 0};
  iv.plot_name = field("plot.dat", 30);
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = cpu_seconds();
  calc_stuff(run);
  run.flush();
  const double section = seconds_since(start);
  const double section_cpu = cpu_seconds() - cpu_start;
  std::uintmax_t written = 0;
  for (const char* name : {"grad_numerical.cube", "lapl_numerical.cube", "rdg.cube", "rhosign.cube", "ener_Gabr.cube",
                           "ener_Vabr.cube", "ener_Habr.cube", "rhoplot.dat", "rhosignplot.dat"})
    written += fs::file_size(name);
  std::printf("%d thread(s): %.3f s wall, %.3f s processor, %.2f GB written, n01(10) = %d, vol01(10) = %.6g\n",
              threads, section, section_cpu, static_cast<double>(written) / 1e9, iv.n01[9], iv.vol01[9]);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 200;
  // The section writes about 1.35 GB: a work folder of our own, removed at the
  // end unless one was given.
  const bool own_folder = argc <= 2;
  const fs::path work = own_folder ? fs::temp_directory_path() / "tessaro_bench_rdg_section" : fs::path(argv[2]);
  const fs::path old_dir = fs::current_path();
  fs::create_directories(work);
  fs::current_path(work);

  // The density cube is written by a process of its own too: a process that
  // has run parallel loops may not fork children that run them again.
  const std::size_t points = static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  std::fflush(stdout);
  const pid_t writer = fork();
  if (writer == 0) {
    GridData rho = make_density(n);
    std::ofstream out("rho.cube", std::ios::binary);
    cube_writing(out, rho, rho.cube_array);
    out.close();
    _exit(out ? 0 : 1);
  }
  int writer_status = 0;
  if (writer < 0 || waitpid(writer, &writer_status, 0) != writer || !WIFEXITED(writer_status) ||
      WEXITSTATUS(writer_status) != 0) {
    std::printf("the density cube could not be written\n");
    return 1;
  }
  std::printf("RDG section, grid %d x %d x %d = %zu points (one grid of doubles is %.0f MB); all jobs and both plots, "
              "derivatives computed, CUB files\n",
              n, n, n, points, static_cast<double>(points) * 8.0 / (1024.0 * 1024.0));
  std::fflush(stdout);
  std::vector<int> counts;
  for (int a = 3; a < argc; ++a) counts.push_back(std::max(1, std::atoi(argv[a])));
  if (counts.empty()) counts = {1, 2};
  std::vector<double> wall;
  int status = 0;
  for (const int threads : counts) {
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) _exit(run_section(threads));
    int child_status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &child_status, 0, &usage) != child || !WIFEXITED(child_status) ||
        WEXITSTATUS(child_status) != 0) {
      std::printf("%d thread(s): the run failed\n", threads);
      status = 1;
      wall.push_back(0.0);
      continue;
    }
    wall.push_back(seconds_since(start));
    // ru_maxrss is in KiB: the peak of the whole process, reading included.
    const double peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
    std::printf("%d thread(s): peak resident memory %.0f MB = %.1f bytes per grid point\n", threads,
                peak / (1024.0 * 1024.0), peak / static_cast<double>(points));
  }
  for (std::size_t c = 1; c < counts.size(); ++c)
    if (wall[0] > 0.0 && wall[c] > 0.0)
      std::printf("speed-up of %d thread(s) over %d: %.2fx\n", counts[c], counts[0], wall[0] / wall[c]);
  std::printf("targets (N = 200): one thread at most 5 s, two threads at least 1.7x faster, peak at most 48 bytes per "
              "grid point\n");

  fs::current_path(old_dir);
  if (own_folder) fs::remove_all(work);
  return status;
}
