// rho*sign(lambda2): the density with the sign of the middle eigenvalue of
// its finite-difference Hessian, at the interior points the mask admits.
// The four-lane solver's vectors stay inside this file (see diagat_batch.hpp).
#pragma GCC diagnostic ignored "-Wpsabi"

#include <cmath>

#include "analysis/diagat_batch.hpp"
#include "analysis/hessian_planes.hpp"
#include "analysis/rdg_kernels.hpp"
#include "analysis/rdg_stencils.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {

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
  HessianPlanes planes(rho);
  SignBatch batch(f, rhosign_array.data());
  for (std::size_t k = 2; k + 2 < n3; ++k) {
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

}  // namespace tessaro
