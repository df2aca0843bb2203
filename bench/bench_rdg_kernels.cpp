// Speed of the RDG section's kernels on a 200 x 200 x 200 density grid (or
// N x N x N with N the first argument): numerical gradient and Laplacian, the
// RDG at every point, rho*sign(lambda2) at every point and the Abramov
// energies, each timed on its own and together, in points per second, with
// one thread and with two (the two runs must give the same bits); then the
// peak resident memory of the process.
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "analysis/rdg_kernels.hpp"
#include "run/threads.hpp"

using tessaro::GridData;

namespace {

// A dimer of two three-atom molecules: a sum of Slater-like densities gives
// bonding, non-bonding and low-density regions like a real cube file.
GridData make_density(int n) {
  GridData g;
  g.n = {n, n, n};
  const float h = 0.1f;
  g.axis = {{{h, 0.0f, 0.0f}, {0.0f, h, 0.0f}, {0.0f, 0.0f, h}}};
  g.origin = {-10.0f, -10.0f, -10.0f};
  const double atoms[6][4] = {{0.0, 0.0, -2.8, 8.0}, {1.4, 0.0, -3.6, 1.0}, {-1.4, 0.0, -3.6, 1.0},
                              {0.0, 0.0, 2.8, 8.0},  {0.0, 1.4, 3.6, 1.0},  {0.0, -1.4, 3.6, 1.0}};
  for (const auto& a : atoms) {
    g.atoms.push_back(tessaro::GridAtom{static_cast<int>(a[3]), float(a[3]), float(a[0]), float(a[1]), float(a[2])});
  }
  g.natoms = 6;
  g.cube_array.resize(g.size());
  std::vector<double> ex(n), ey(n), ez(n);
  for (int k = 0; k < n; ++k) {
    const double z = -10.0 + k * double(h);
    for (int j = 0; j < n; ++j) {
      const double y = -10.0 + j * double(h);
      double* row = g.cube_array.data() + g.index(0, j, k);
      for (int i = 0; i < n; ++i) row[i] = 0.0;
      for (const auto& a : atoms) {
        const double zeta = a[3] > 1.0 ? 3.0 : 1.8;
        const double dyz = (y - a[1]) * (y - a[1]) + (z - a[2]) * (z - a[2]);
        for (int i = 0; i < n; ++i) {
          const double x = -10.0 + i * double(h) - a[0];
          row[i] += a[3] * std::exp(-zeta * std::sqrt(x * x + dyz));
        }
      }
    }
  }
  return g;
}

// CPU time of the process (every thread): on a machine shared with other
// work it measures the cores the kernels use, not the waits.
double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

struct Timing {
  double wall = 0.0, cpu = 0.0;
};

Timing seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = cpu_now();
  f();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), cpu_now() - c0};
}

// The kernels' results, kept to compare the thread counts.
struct Results {
  std::vector<double> grad, lapl, rdg, rhosign, gabr, vabr, habr;
};

bool same_bits(const Results& a, const Results& b) {
  auto same = [](const std::vector<double>& x, const std::vector<double>& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
  };
  return same(a.grad, b.grad) && same(a.lapl, b.lapl) && same(a.rdg, b.rdg) && same(a.rhosign, b.rhosign) &&
         same(a.gabr, b.gabr) && same(a.vabr, b.vabr) && same(a.habr, b.habr);
}

// Times every kernel with `threads` threads; returns the whole time.
double time_kernels(const GridData& rho, int threads, Results& r) {
  tessaro::set_thread_count(threads);
  const double points = static_cast<double>(rho.size());
  const Timing t_grad = seconds([&] { tessaro::numerical_gradient(rho, r.grad); });
  const Timing t_lapl = seconds([&] { tessaro::numerical_laplacian(rho, r.lapl); });
  const Timing t_rdg = seconds([&] {
    tessaro::rdg_calc(rho, r.grad, {}, 1000.0f, -1000.0f, 1000.0f, tessaro::SpaceMode::None, r.rdg);
  });
  const Timing t_rhosign = seconds([&] { tessaro::rhosign_calc(rho, {}, r.rhosign); });
  const Timing t_abr =
      seconds([&] { tessaro::abramov_calc(rho.cube_array, r.grad, r.lapl, {}, r.gabr, r.vabr, r.habr); });
  const Timing total{t_grad.wall + t_lapl.wall + t_rdg.wall + t_rhosign.wall + t_abr.wall,
                     t_grad.cpu + t_lapl.cpu + t_rdg.cpu + t_rhosign.cpu + t_abr.cpu};

  std::printf("%d thread(s)\n", threads);
  std::printf("%-28s %10s %10s %12s\n", "kernel", "cpu s", "wall s", "M points/s");
  const struct {
    const char* name;
    Timing t;
  } rows[] = {{"numerical gradient", t_grad}, {"numerical Laplacian", t_lapl}, {"rdg_calc (every point)", t_rdg},
              {"rhosign_calc (every point)", t_rhosign}, {"abramov_calc (every point)", t_abr}, {"all together", total}};
  for (const auto& row : rows) {
    std::printf("%-28s %10.3f %10.3f %12.2f\n", row.name, row.t.cpu, row.t.wall, points / row.t.wall / 1e6);
  }
  return total.wall;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 200;
  const GridData rho = make_density(n);
  std::printf("grid %d x %d x %d (%zu points)\n", n, n, n, rho.size());
  Results one, two;
  const double wall_one = time_kernels(rho, 1, one);
  const double wall_two = time_kernels(rho, 2, two);
  std::printf("speed-up with 2 threads: %.2fx\n", wall_one / wall_two);

  // A fingerprint of the results, so that an optimisation that changes a bit shows.
  double sum = 0.0;
  long negative = 0;
  for (std::size_t p = 0; p < rho.size(); ++p) {
    sum += one.grad[p] + one.lapl[p] + (one.rdg[p] < 1e9 ? one.rdg[p] : 0.0) + one.rhosign[p] + one.habr[p];
    negative += one.rhosign[p] < 0.0;
  }
  std::printf("fingerprint %.17g, %ld points with lambda2 < 0\n", sum, negative);
  const bool same = same_bits(one, two);
  std::printf("two threads give %s\n", same ? "the same bits" : "DIFFERENT RESULTS");
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("peak resident memory %.1f MB (one grid is %.1f MB)\n", ru.ru_maxrss / 1024.0,
              static_cast<double>(rho.size()) * 8 / 1048576.0);
  return same ? 0 : 1;
}
