// Grid file speed and memory: a 200 x 200 x 200 grid (8 M values) written and
// read as a cube file and as a grd file (with its cube header), with one
// thread and with two. Each read runs in a fresh process of its own (this
// program started again), so its peak resident memory (VmHWM) belongs to that
// read alone.
//
// Speeds are MB of file per wall-clock second, and per processor second of
// this process (user + system over all its threads; with one thread the
// figure for one core, unaffected by waiting for a busy machine).
//
// Usage: bench_grid_io [N]   (N points per axis, default 200)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "grid/grid_files.hpp"
#include "run/threads.hpp"
#include "textio/textio.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of this process, user + system, in seconds.
double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

struct Timer {
  Clock::time_point wall0 = Clock::now();
  double cpu0 = cpu_seconds();
  double wall() const { return std::chrono::duration<double>(Clock::now() - wall0).count(); }
  double cpu() const { return cpu_seconds() - cpu0; }
};

long status_kb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
  return -1;
}

// A density-like field: a few Gaussians over a wide range of magnitudes,
// positive and negative, so every exponent width occurs.
tessaro::GridData make_grid(int n) {
  tessaro::GridData g;
  g.natoms = 3;
  g.origin = {-5.0f, -5.0f, -5.0f};
  g.n = {n, n, n};
  const float step = 10.0f / static_cast<float>(n - 1);
  g.axis = {{{step, 0.0f, 0.0f}, {0.0f, step, 0.0f}, {0.0f, 0.0f, step}}};
  g.atoms = {{8, 8.0f, 0.0f, 0.0f, 0.2f}, {1, 1.0f, 1.4f, 0.0f, -0.9f}, {1, 1.0f, -1.4f, 0.0f, -0.9f}};
  g.cube_array.resize(g.size());
  for (std::size_t k = 0; k < g.n3(); ++k)
    for (std::size_t j = 0; j < g.n2(); ++j)
      for (std::size_t i = 0; i < g.n1(); ++i) {
        double x = -5.0 + step * static_cast<double>(i), y = -5.0 + step * static_cast<double>(j),
               z = -5.0 + step * static_cast<double>(k);
        double v = 300.0 * std::exp(-2.0 * (x * x + y * y + (z - 0.2) * (z - 0.2))) +
                   0.4 * std::exp(-0.3 * ((x - 1.4) * (x - 1.4) + y * y)) - 1e-3 * std::sin(3.0 * z);
        g.cube_array[g.index(i, j, k)] = v;
      }
  return g;
}

// The child: reads one file and prints "seconds baseline_kb peak_kb checksum".
int child_read(const std::string& kind, const std::string& cube_name, const std::string& grd_name, int threads) {
  tessaro::set_thread_count(threads);
  const long baseline = status_kb("VmRSS:");
  tessaro::GridData g;
  std::ifstream cube(cube_name, std::ios::binary);
  tessaro::textio::LineReader cube_reader(cube, cube_name);
  Timer timer;
  if (kind == "cube") {
    g = tessaro::cube_in_array(cube_reader, tessaro::GridRole::Density, tessaro::InputFormat::CUB, nullptr).grid;
  } else {
    std::ifstream grd(grd_name, std::ios::binary);
    tessaro::textio::LineReader grd_reader(grd, grd_name);
    g = tessaro::cube_in_array(cube_reader, tessaro::GridRole::Density, tessaro::InputFormat::XD2, &grd_reader).grid;
  }
  const double cpu = timer.cpu(), wall = timer.wall();
  double sum = 0.0;
  for (double v : g.cube_array) sum += v;
  std::printf("%.6f %.6f %ld %ld %.17g\n", cpu, wall, baseline, status_kb("VmHWM:"), sum);
  return 0;
}

struct ReadFigures {
  double cpu = 0.0, wall = 0.0;
  long baseline_kb = 0, peak_kb = 0;
  double checksum = 0.0;
};

ReadFigures run_child(const char* self, const std::string& kind, const std::string& cube, const std::string& grd,
                      int threads) {
  const std::string count = std::to_string(threads);
  int fd[2];
  if (pipe(fd) != 0) std::exit(1);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fd[1], 1);
    close(fd[0]);
    close(fd[1]);
    execl(self, self, "--child-read", kind.c_str(), cube.c_str(), grd.c_str(), count.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fd[1]);
  std::string out;
  char buf[256];
  ssize_t got;
  while ((got = read(fd[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(got));
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ReadFigures f;
  if (std::sscanf(out.c_str(), "%lf %lf %ld %ld %lf", &f.cpu, &f.wall, &f.baseline_kb, &f.peak_kb, &f.checksum) != 5) {
    std::fprintf(stderr, "read child failed: %s\n", out.c_str());
    std::exit(1);
  }
  return f;
}

// Targets: cube write >= 550 MB/s and read >= 700 MB/s on one thread, close
// to twice that on two; peak memory of a read <= value array + 10%.
void report(const char* what, int threads, std::uintmax_t bytes, double cpu, double wall, double target) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%-32s %d thread%s %7.1f MB: %7.1f MB/s wall (%.3f s), %7.1f MB/s per processor second (%.3f s)", what,
              threads, threads > 1 ? "s" : " ", mb, mb / wall, wall, mb / cpu, cpu);
  if (target > 0) std::printf("  [target %.0f: %s]", target, mb / wall >= target ? "met" : "MISSED");
  std::printf("\n");
}

void report_memory(const char* what, const ReadFigures& f, std::size_t array_bytes) {
  const double extra = static_cast<double>(f.peak_kb - f.baseline_kb) * 1024.0;
  const double ratio = extra / static_cast<double>(array_bytes);
  std::printf("%-34s peak %ld kB, %ld kB before reading; growth %.1f MB = %.3f x value array (%.1f MB)  [target 1.10: %s]\n",
              what, f.peak_kb, f.baseline_kb, extra / 1e6, ratio, static_cast<double>(array_bytes) / 1e6,
              ratio <= 1.10 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--child-read") == 0)
    return child_read(argv[2], argv[3], argv[4], std::atoi(argv[5]));
  const int n = argc > 1 ? std::atoi(argv[1]) : 200;
  if (n < 2) return 1;

  char pattern[] = "/tmp/tessaro_bench_grid_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::filesystem::path dir(pattern);
  const std::string cube_name = (dir / "grid.cube").string();
  const std::string grd_name = (dir / "grid.grd").string();

  tessaro::GridData g = make_grid(n);
  double expected_sum = 0.0;
  std::printf("grid %d x %d x %d (%zu values)\n", n, n, n, g.size());

  std::vector<std::string> head;
  for (int h = 0; h < g.natoms + 12; ++h) head.push_back("header line " + std::to_string(h + 1));
  for (const int threads : {1, 2}) {
    tessaro::set_thread_count(threads);
    {
      std::ofstream out(cube_name, std::ios::binary);
      Timer timer;
      tessaro::cube_writing(out, g, g.cube_array);
      out.close();
      report("cube write", threads, std::filesystem::file_size(cube_name), timer.cpu(), timer.wall(),
             threads == 1 ? 550 : 0);
    }
    {
      std::ofstream out(grd_name, std::ios::binary);
      Timer timer;
      tessaro::grd_writing(out, g.cube_array, g.natoms, n, n, n, head);
      out.close();
      report("grd write", threads, std::filesystem::file_size(grd_name), timer.cpu(), timer.wall(), 0);
    }
  }
  for (double v : g.cube_array) expected_sum += v;
  const std::size_t array_bytes = g.size() * sizeof(double);
  g = tessaro::GridData();

  for (const int threads : {1, 2}) {
    const ReadFigures cube = run_child(argv[0], "cube", cube_name, "-", threads);
    report("cube read", threads, std::filesystem::file_size(cube_name), cube.cpu, cube.wall, threads == 1 ? 700 : 0);
    // XD2 takes the cube's header and atoms only.
    const ReadFigures grd = run_child(argv[0], "grd", cube_name, grd_name, threads);
    report("grd read (with its cube header)", threads, std::filesystem::file_size(grd_name), grd.cpu, grd.wall, 0);
    report_memory("cube read memory", cube, array_bytes);
    report_memory("grd read memory", grd, array_bytes);
    std::printf("checksums: written %.6g, cube read %.6g, grd read %.6g (grd in atomic units: x 0.148...)\n",
                expected_sum, cube.checksum, grd.checksum);
  }

  std::filesystem::remove_all(dir);
  return 0;
}
