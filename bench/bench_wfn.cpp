// Benchmark of the WFN section's box evaluation: all four properties and the
// density alone on an 80 x 80 x 80 box, for the water dimer and for the larger
// formic acid dimer, each with one thread and with two (best of five).
// Usage: bench_wfn [directory of the .wfn files] (default: tests/data/wavefunction
// of the checkout). Exits with status 1 when a file cannot be read.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "run/threads.hpp"
#include "textio/textio.hpp"
#include "wavefunction/wfn_box.hpp"
#include "wavefunction/wfn_file.hpp"

namespace {

long peak_rss_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timing {
  double wall = 1e30;  // best of the repeats
  double cpu = 1e30;   // processor time of all threads, best of the repeats
};

// Times `repeats` evaluations of the box with `threads` threads; the bytes of
// v's own row buffers and tables (one thread's share) in work_bytes.
Timing best_time(const tessaro::Wavefunction& wfn, const tessaro::InputVariables& iv, int threads, int repeats,
                 double& work_bytes) {
  tessaro::set_thread_count(threads);
  const tessaro::WfnBox box = tessaro::wfn_box(iv);
  const tessaro::WfnSwitches sw = tessaro::wfn_switches(iv);
  Timing best;
  for (int r = 0; r < repeats; ++r) {
    tessaro::WfnVar v;
    v.wfn = wfn;
    tessaro::WfnGrids grids;
    const double c0 = cpu_seconds();
    auto t0 = std::chrono::steady_clock::now();
    tessaro::wfn_evaluate_box(v, box, sw, grids);
    auto t1 = std::chrono::steady_clock::now();
    best.cpu = std::min(best.cpu, cpu_seconds() - c0);
    best.wall = std::min(best.wall, std::chrono::duration<double>(t1 - t0).count());
    work_bytes = 0;
    for (const std::vector<double>* b :
         {&v.wfn.xc, &v.wfn.yc, &v.wfn.zc, &v.wfn.charg, &v.wfn.exx, &v.wfn.sum, &v.wfn.div, &v.wfn.coo, &v.wfn.po,
          &v.wfn.eorb, &v.x1, &v.x2, &v.x3, &v.dx, &v.dy, &v.dz, &v.r2, &v.chi, &v.chix, &v.chiy, &v.chiz, &v.chid2,
          &v.chimax, &v.psi, &v.gx, &v.gy, &v.gz, &v.d2, &v.sumr, &v.sumr2, &v.sumr3, &v.sumr4, &v.largest_coefficient,
          &v.shell_exp, &v.effective_coef, &v.closest_r2, &v.term_bound, &v.padding_out})
      work_bytes += static_cast<double>(b->capacity() * sizeof(double));
    for (const std::vector<std::int32_t>* b : {&v.wfn.ict, &v.wfn.type, &v.slot_of, &v.shell_of, &v.shell_exp_slot,
                                               &v.active_prims, &v.block_prims, &v.occupied_orbitals,
                                               &v.row_orbitals})
      work_bytes += static_cast<double>(b->capacity() * sizeof(std::int32_t));
  }
  return best;
}

bool run_case(const std::string& file, const char* label, bool all, int points, float step, int repeats) {
  std::ifstream in(file);
  if (!in) {
    std::printf("%s: cannot open %s\n", label, file.c_str());
    return false;
  }
  tessaro::textio::LineReader reader(in, file);
  tessaro::Wavefunction wfn;
  tessaro::read_wfn_file(reader, wfn);
  tessaro::InputVariables iv;
  iv.n_puntix = iv.n_puntiy = iv.n_puntiz = points;
  for (int a = 0; a < 3; ++a) iv.orient_matr[a][a] = step;
  iv.wfn_risp = {1, all ? 1 : 0, all ? 1 : 0, all ? 1 : 0};
  double work_bytes = 0;
  const Timing one = best_time(wfn, iv, 1, repeats, work_bytes);
  const Timing two = best_time(wfn, iv, 2, repeats, work_bytes);
  const double grid_mb = static_cast<double>(tessaro::wfn_box(iv).size()) * 8.0 * (all ? 6 : 1) / 1048576.0;
  // Processor time shows the cost of the threads apart from the machine's
  // load: two threads that share the work evenly and cost no more than one
  // make the wall time close to half.
  std::printf("%-18s nprims %4d nmo %3d  %dx%dx%d step %.2f  %-9s wall: 1 thread %6.3f s, 2 threads %6.3f s (%4.2fx)  "
              "processor: %6.3f s, %6.3f s  grids %5.1f MiB  other buffers per thread %6.3f MiB  peak RSS %5.1f MiB\n",
              label, wfn.nprims, wfn.nmo, points, points, points, step, all ? "all four" : "density", one.wall,
              two.wall, one.wall / two.wall, one.cpu, two.cpu, grid_mb, work_bytes / 1048576.0,
              peak_rss_kb() / 1024.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : TESSARO_SOURCE_DIR "/tests/data/wavefunction";
  const int repeats = 5;
  bool ok = true;
  ok = run_case(dir + "/water_dimer.wfn", "water dimer", false, 80, 0.2f, repeats) && ok;
  ok = run_case(dir + "/water_dimer.wfn", "water dimer", true, 80, 0.2f, repeats) && ok;
  ok = run_case(dir + "/formic_dimer.wfn", "formic acid dimer", false, 80, 0.25f, repeats) && ok;
  ok = run_case(dir + "/formic_dimer.wfn", "formic acid dimer", true, 80, 0.25f, repeats) && ok;
  return ok ? 0 : 1;
}
