// Speed and memory of the TOPOND grid reader: an N x N x N TOPOND grid file
// (default N = 150, 3.4 M values) is written into memory in the file's layout
// (8E16.8, x fastest), read with topo_array and written as a cube. Prints the
// time of each step, values per second and the peak resident memory.
//
// Usage: bench_topond [N]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "grid/grid_files.hpp"
#include "textio/textio.hpp"
#include "topond/topond_grid.hpp"

namespace {

using Clock = std::chrono::steady_clock;

long status_kb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
  return -1;
}

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The TOPOND layout, with values spanning many magnitudes and both signs.
std::string make_file(int n) {
  static const tessaro::textio::Layout counts = tessaro::textio::Layout::parse("3I4");
  static const tessaro::textio::Layout axis = tessaro::textio::Layout::parse("E15.8,17X,E15.8");
  static const tessaro::textio::Layout values = tessaro::textio::Layout::parse("8E16.8");
  std::string text;
  const tessaro::textio::OutItem c[] = {n, n, n};
  tessaro::textio::write_record(text, counts, c);
  for (int a = 0; a < 3; ++a) {
    const tessaro::textio::OutItem o[] = {-5.0f, 10.0f / static_cast<float>(n - 1)};
    tessaro::textio::write_record(text, axis, o);
  }
  std::vector<double> row(static_cast<std::size_t>(n));
  std::vector<tessaro::textio::OutItem> items(row.size());
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        const double r2 = (i - n / 2.0) * (i - n / 2.0) + (j - n / 3.0) * (j - n / 3.0) + (k - n / 4.0) * (k - n / 4.0);
        items[static_cast<std::size_t>(i)] = std::exp(-r2 / (0.02 * n * n)) * ((i + j + k) % 7 == 0 ? -1.0 : 1.0);
      }
      tessaro::textio::write_record(text, values, items);
    }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 150;
  const std::size_t count = static_cast<std::size_t>(n) * n * n;
  const std::string text = make_file(n);
  std::printf("TOPOND grid %d x %d x %d (%zu values, %.1f MB of text)\n", n, n, n, count, text.size() / 1.0e6);

  std::istringstream in(text);
  tessaro::textio::LineReader reader(in, "bench.t3d");
  tessaro::GridData grid;
  const auto t0 = Clock::now();
  tessaro::topo_array(reader, grid);
  const auto t1 = Clock::now();
  std::ostringstream cube;
  tessaro::cube_writing(cube, grid, grid.cube_array);
  const auto t2 = Clock::now();

  std::printf("topo_array:   %.3f s  (%.1f M values/s)\n", seconds(t0, t1), count / seconds(t0, t1) / 1.0e6);
  std::printf("cube_writing: %.3f s  (%.1f M values/s)\n", seconds(t1, t2), count / seconds(t1, t2) / 1.0e6);
  std::printf("peak resident memory: %ld kB (text in memory %zu kB, values %zu kB, cube text %zu kB)\n",
              status_kb("VmHWM:"), text.size() / 1024, count * sizeof(double) / 1024, cube.str().size() / 1024);
  return 0;
}
