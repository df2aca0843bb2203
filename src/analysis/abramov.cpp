// Abramov's kinetic (G), potential (V) and total (H) energy densities from the
// density, its gradient magnitude and its Laplacian.
#include <cmath>

#include "analysis/rdg_kernels.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kBlock = 1 << 14;

// The rational constants and pi in single precision, widened.
constexpr double kCf = 2.8712344140902517;           // (3/10)(3 pi^2)^(2/3)
constexpr double kFiveThirds = 1.6666666269302368;   // 5/3
constexpr double kGradCoef = 0.013888888992369175;   // 1/72
constexpr double kLaplCoefG = 0.1666666716337204;    // 1/6
constexpr double kLaplCoefV = 0.25;                  // 1/4

void zeroed(std::size_t n, std::vector<double>& out) {
  if (out.capacity() < n) std::vector<double>().swap(out);
  out.assign(n, 0.0);
}

// Whether the energies are computed at point p. A mask value of 1.0E9 or
// more, or not a number, leaves the point at 0; so does a density <= 0, which
// would give 0/0 or a fractional power of a negative number (only the
// every-point mask can admit it, the RDG never selects it). A density that
// is not a number is computed, and gives not a number.
inline bool computed_at(std::span<const double> rho, std::span<const double> mask, std::size_t p) {
  return (mask.empty() || mask[p] < 1.0E9) && !(rho[p] <= 0.0);
}

}  // namespace

void abramov_kinetic(std::span<const double> rho, std::span<const double> grad, std::span<const double> lapl,
                     std::span<const double> mask, std::span<double> gabr) {
  const std::size_t n = rho.size();
  double* g_out = gabr.data();
  const double* g_in = grad.data();
  // Points in blocks, each block one thread's; a point's value does not
  // depend on which. Each point reads its gradient before its G is stored,
  // so the two may share a grid.
  TESSARO_OMP(omp parallel for schedule(dynamic, kBlock))
  for (std::size_t p = 0; p < n; ++p) {
    if (!computed_at(rho, mask, p)) {
      g_out[p] = 0.0;
      continue;
    }
    const double r = rho[p], g = g_in[p], l = lapl[p];
    g_out[p] = kLaplCoefG * l + (kCf * std::pow(r, kFiveThirds) + kGradCoef * (g * g / r));
  }
}

void abramov_potential(std::span<const double> rho, std::span<const double> mask, std::span<const double> gabr,
                       std::span<double> lapl_then_vabr) {
  const std::size_t n = rho.size();
  double* v = lapl_then_vabr.data();
  TESSARO_OMP(omp parallel for schedule(dynamic, kBlock))
  for (std::size_t p = 0; p < n; ++p) v[p] = computed_at(rho, mask, p) ? kLaplCoefV * v[p] - 2.0 * gabr[p] : 0.0;
}

void abramov_total(std::span<double> gabr_then_habr, std::span<const double> vabr) {
  const std::size_t n = gabr_then_habr.size();
  double* h = gabr_then_habr.data();
  // Where neither energy was computed both are 0, and so is their sum.
  TESSARO_OMP(omp parallel for schedule(dynamic, kBlock))
  for (std::size_t p = 0; p < n; ++p) h[p] = h[p] + vabr[p];
}

void abramov_calc(std::span<const double> rho, std::span<const double> grad, std::span<const double> lapl,
                  std::span<const double> mask, std::vector<double>& gabr, std::vector<double>& vabr,
                  std::vector<double>& habr) {
  const std::size_t n = rho.size();
  check_allocation(n, 3 * sizeof(double));
  zeroed(n, gabr);
  abramov_kinetic(rho, grad, lapl, mask, gabr);
  if (vabr.capacity() < n) std::vector<double>().swap(vabr);
  vabr.assign(lapl.begin(), lapl.begin() + static_cast<std::ptrdiff_t>(n));
  abramov_potential(rho, mask, gabr, vabr);
  if (habr.capacity() < n) std::vector<double>().swap(habr);
  habr.assign(gabr.begin(), gabr.end());
  abramov_total(habr, vabr);
}

}  // namespace tessaro
