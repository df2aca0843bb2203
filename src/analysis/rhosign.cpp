// rho*sign(lambda2): the density with the sign of the middle eigenvalue of
// its finite-difference Hessian, at the interior points the mask admits.
// The four-lane solver's vectors stay inside this file (see diagat_batch.hpp).
#pragma GCC diagnostic ignored "-Wpsabi"

#include <algorithm>
#include <cmath>

#include "analysis/diagat_batch.hpp"
#include "analysis/hessian_planes.hpp"
#include "analysis/rdg_kernels.hpp"
#include "analysis/rdg_stencils.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

namespace {

// The fewest planes a thread's slab holds: each slab also differentiates the
// two planes on either side of it.
constexpr std::size_t kMinSlabPlanes = 8;

// A point qualifies when its mask value is below 1.0E10; a value that is not
// a number does not qualify. An empty mask admits every point.
inline bool admitted(std::span<const double> mask, std::size_t p) { return mask.empty() || mask[p] < 1.0E10; }

// The density with its sign flipped when lambda2 < 0 or lambda2 is not a
// number; lambda2 = 0 counts as positive. Flipping keeps |value| == rho.
inline double signed_density(double rho, double lambda2) {
  return (lambda2 < 0.0 || std::isnan(lambda2)) ? -rho : rho;
}

// Collects the Hessians of admitted points four at a time for the four-lane
// solver and stores rho*sign(lambda2) when a batch is full (or flushed).
class SignBatch {
 public:
  SignBatch(const double* rho, double* out) : rho_(rho), out_(out) {}
  void add(std::size_t p, double h00, double h10, double h20, double h11, double h21, double h22) {
    a_[0][fill_] = h00;
    a_[1][fill_] = h10;
    a_[2][fill_] = h20;
    a_[3][fill_] = h11;
    a_[4][fill_] = h21;
    a_[5][fill_] = h22;
    index_[fill_] = p;
    if (++fill_ == 4) flush();
  }
  void flush() {
    if (fill_ == 0) return;
    for (int lane = fill_; lane < 4; ++lane) {
      for (auto& x : a_) x[lane] = 0.0;  // a zero matrix needs no sweep
    }
    detail::Lanes d[3];
    detail::diagat3_eigenvalues_x4(a_, d);
    for (int lane = 0; lane < fill_; ++lane) out_[index_[lane]] = signed_density(rho_[index_[lane]], d[1][lane]);
    fill_ = 0;
  }

 private:
  const double* rho_;
  double* out_;
  detail::Lanes a_[6] = {};
  std::size_t index_[4] = {};
  int fill_ = 0;
};

}  // namespace

void rhosign_calc(const GridData& rho, std::span<const double> mask, std::vector<double>& rhosign_array) {
  check_grid_allocation(rho.n[0], rho.n[1], rho.n[2]);
  const std::size_t total = rho.size();
  if (rhosign_array.capacity() < total) std::vector<double>().swap(rhosign_array);
  rhosign_array.assign(total, 0.0);
  if (!stencil::has_interior(rho)) return;
  const std::size_t n1 = rho.n1(), n2 = rho.n2(), n3 = rho.n3();
  const double* f = rho.cube_array.data();
  double* out = rhosign_array.data();
  // Slabs of interior planes, each one thread's with its own planes of first
  // derivatives (a slab recomputes the two planes before and after it). A
  // point's Hessian and eigenvalues are the same whichever slab and batch
  // take it: the solver's lanes do not mix.
  const std::size_t interior = n3 - 4;
  const std::size_t threads = static_cast<std::size_t>(thread_count());
  const std::size_t slab = std::max<std::size_t>(kMinSlabPlanes, (interior + 4 * threads - 1) / (4 * threads));
  const std::size_t slabs = (interior + slab - 1) / slab;
  const std::size_t used = std::min(threads, slabs);
  // Every thread's planes are allocated here: an allocation that fails inside
  // the parallel loop could not end the run in order.
  check_allocation(n1 * n2, (2 * 5 + 1) * sizeof(double) * used);
  std::vector<HessianPlanes> planes_of(used, HessianPlanes(rho));
  TESSARO_OMP(omp parallel num_threads(static_cast<int>(used)))
  {
    HessianPlanes& planes = planes_of[static_cast<std::size_t>(thread_index())];
    TESSARO_OMP(omp for schedule(dynamic, 1))
    for (std::size_t b = 0; b < slabs; ++b) {
      const std::size_t k_first = 2 + b * slab, k_end = std::min(k_first + slab, n3 - 2);
      planes.start(k_first);
      SignBatch batch(f, out);
      for (std::size_t k = k_first; k < k_end; ++k) {
        for (std::size_t j = 2; j + 2 < n2; ++j) {
          planes.row(j, k);
          const double *h00 = planes.element(0), *h11 = planes.element(1), *h22 = planes.element(2);
          const double *h01 = planes.element(3), *h02 = planes.element(4), *h12 = planes.element(5);
          const std::size_t base = rho.index(0, j, k);
          for (std::size_t i = 2; i + 2 < n1; ++i) {
            const std::size_t p = base + i;
            if (admitted(mask, p)) batch.add(p, h00[i], h01[i], h02[i], h11[i], h12[i], h22[i]);
          }
        }
      }
      batch.flush();
    }
  }
}

}  // namespace tessaro
