// The reduced density gradient s = c_s |grad rho| / rho^(4/3) at the points
// that pass the value test and the spatial cutoff; 1.0E10 marks the others.
#include <cmath>
#include <limits>

#include "analysis/rdg_kernels.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

namespace {

// 1/(2 (3 pi^2)^(1/3)) and 4/3 with pi and the fractions in single precision.
constexpr double kCs = 0.1616204512359269;
constexpr double kFourThirds = 1.3333333730697632;

// The spatial cutoff, all in single precision. The point position is
// origin + (i-1) a1 + (j-1) a2 + (k-1) a3, summed in that order.
class SpatialTest {
 public:
  SpatialTest(const GridData& rho, SpaceMode mode, float tolerance) : rho_(rho), mode_(mode), t_(tolerance) {
    if (mode_ == SpaceMode::Exte && !rho.atoms.empty()) {
      lo_ = {rho.atoms[0].x, rho.atoms[0].y, rho.atoms[0].z};
      hi_ = lo_;
      for (const GridAtom& at : rho.atoms) {
        const float c[3] = {at.x, at.y, at.z};
        for (int x = 0; x < 3; ++x) {
          if (c[x] < lo_[x]) lo_[x] = c[x];
          if (c[x] > hi_[x]) hi_[x] = c[x];
        }
      }
    }
  }

  // i, j, k are 0-based, i.e. the (i-1), (j-1), (k-1) of 1-based indices.
  bool passes(std::size_t i, std::size_t j, std::size_t k) const {
    if (mode_ == SpaceMode::None) return true;
    const float fi = static_cast<float>(i), fj = static_cast<float>(j), fk = static_cast<float>(k);
    float p[3];
    for (int x = 0; x < 3; ++x) {
      p[x] = rho_.origin[x] + fi * rho_.axis[0][x] + fj * rho_.axis[1][x] + fk * rho_.axis[2][x];
    }
    if (mode_ == SpaceMode::Atom) {
      for (const GridAtom& at : rho_.atoms) {
        const float dx = p[0] - at.x, dy = p[1] - at.y, dz = p[2] - at.z;
        if (std::sqrt(dx * dx + dy * dy + dz * dz) < t_) return true;
      }
      return false;
    }
    // exte: min - T < P < max + T, evaluated as min < P + T and P - T < max.
    for (int x = 0; x < 3; ++x) {
      if (!(lo_[x] < p[x] + t_) || !(p[x] - t_ < hi_[x])) return false;
    }
    return true;
  }

 private:
  const GridData& rho_;
  SpaceMode mode_;
  float t_;
  std::array<float, 3> lo_{};  // 0 with no atoms
  std::array<float, 3> hi_{};
};

}  // namespace

void rdg_calc(const GridData& rho, std::span<const double> grad, std::span<const double> test, float tolerance,
              float lower, float upper, SpaceMode mode, std::vector<double>& rdg_array) {
  check_grid_allocation(rho.n[0], rho.n[1], rho.n[2]);
  const std::size_t total = rho.size();
  if (rdg_array.capacity() < total) std::vector<double>().swap(rdg_array);
  rdg_array.assign(total, kRdgUnselected);
  const SpatialTest spatial(rho, mode, tolerance);
  // The single-precision limits are widened before the strict comparisons.
  const double lo = static_cast<double>(lower), hi = static_cast<double>(upper);
  const std::size_t n1 = rho.n1(), n2 = rho.n2(), n3 = rho.n3();
  const double* f = rho.cube_array.data();
  double* out = rdg_array.data();
  // Each plane is one thread's; a point's value does not depend on which.
  TESSARO_OMP(omp parallel for schedule(dynamic, 1))
  for (std::size_t k = 0; k < n3; ++k) {
    for (std::size_t j = 0; j < n2; ++j) {
      const std::size_t row = rho.index(0, j, k);
      for (std::size_t i = 0; i < n1; ++i) {
        const std::size_t p = row + i;
        const double v = test.empty() ? 0.0 : test[p];
        const double r = f[p];
        if (!(lo < v && r > 0.0 && v < hi)) continue;
        if (!spatial.passes(i, j, k)) continue;
        // The power first, then the quotient, then the product. A density
        // whose 4/3 power underflows to 0 gives 0/0 or |g|/0: no RDG, the point
        // stays unselected like one of density 0.
        const double s = (std::fabs(grad[p]) / std::pow(r, kFourThirds)) * kCs;
        if (std::isfinite(s)) out[p] = s;
      }
    }
  }
}

}  // namespace tessaro
