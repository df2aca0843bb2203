// Abramov's kinetic (G), potential (V) and total (H) energy densities from the
// density, its gradient magnitude and its Laplacian.
#include <cmath>

#include "analysis/rdg_kernels.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

namespace {

// The rational constants and pi in single precision, widened.
constexpr double kCf = 2.8712344140902517;           // (3/10)(3 pi^2)^(2/3)
constexpr double kFiveThirds = 1.6666666269302368;   // 5/3
constexpr double kGradCoef = 0.013888888992369175;   // 1/72
constexpr double kLaplCoefG = 0.1666666716337204;    // 1/6
constexpr double kLaplCoefV = 0.25;                  // 1/4

constexpr std::size_t kBlock = 1 << 14;

void zeroed(std::size_t n, std::vector<double>& out) {
  if (out.capacity() < n) std::vector<double>().swap(out);
  out.assign(n, 0.0);
}

}  // namespace

void abramov_calc(std::span<const double> rho, std::span<const double> grad, std::span<const double> lapl,
                  std::span<const double> mask, std::vector<double>& gabr, std::vector<double>& vabr,
                  std::vector<double>& habr) {
  const std::size_t n = rho.size();
  check_allocation(n, 3 * sizeof(double));
  zeroed(n, gabr);
  zeroed(n, vabr);
  zeroed(n, habr);
  double *g_out = gabr.data(), *v_out = vabr.data(), *h_out = habr.data();
  // Points in blocks, each block one thread's; a point's values do not depend
  // on which.
  TESSARO_OMP(omp parallel for schedule(dynamic, kBlock))
  for (std::size_t p = 0; p < n; ++p) {
    // A mask value of 1.0E9 or more, or not a number, leaves the point at 0.
    if (!mask.empty() && !(mask[p] < 1.0E9)) continue;
    const double r = rho[p];
    // A density <= 0 would give 0/0 or a fractional power of a negative
    // number; such a point keeps 0 (only the every-point mask can admit it,
    // the RDG never selects it).
    if (r <= 0.0) continue;
    const double g = grad[p], l = lapl[p];
    const double gk = kLaplCoefG * l + (kCf * std::pow(r, kFiveThirds) + kGradCoef * (g * g / r));
    const double vk = kLaplCoefV * l - 2.0 * gk;
    g_out[p] = gk;
    v_out[p] = vk;
    h_out[p] = gk + vk;
  }
}

}  // namespace tessaro
