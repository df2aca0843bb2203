#include "analysis/statistics.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "analysis/rdg_kernels.hpp"

namespace tessaro {

std::array<double, 10> rdg_isovalues() {
  std::array<double, 10> t{};
  for (int m = 1; m <= 10; ++m) t[static_cast<std::size_t>(m - 1)] = static_cast<double>(static_cast<float>(m) * 0.1f);
  return t;
}

void clear_rdg_statistics(InputVariables& iv) {
  iv.n01.fill(0);
  iv.vol01.fill(0.0);
  iv.rho01.fill(0.0);
  iv.rhosi01.fill(0.0);
  iv.g01.fill(0.0);
  iv.v01.fill(0.0);
  iv.h01.fill(0.0);
}

void rdg_statistics(const GridData& density, std::span<const double> rdg_array,
                    std::span<const double> rhosign_array, std::span<const double> gabr,
                    std::span<const double> vabr, std::span<const double> habr, InputVariables& iv) {
  clear_rdg_statistics(iv);
  const std::array<double, 10> t = rdg_isovalues();
  const bool with_rhosign = !rhosign_array.empty();
  const bool with_energies = !gabr.empty() && !vabr.empty() && !habr.empty();
  const std::span<const double> rho(density.cube_array);
  std::size_t count = std::min(rdg_array.size(), rho.size());
  if (with_rhosign) count = std::min(count, rhosign_array.size());
  if (with_energies) count = std::min({count, gabr.size(), vabr.size(), habr.size()});

  std::array<std::int64_t, 10> n{};
  std::array<double, 10> rho_sum{}, rhosi_sum{}, g_sum{}, v_sum{}, h_sum{};
  // Every sum runs over the grid in memory order (k outermost, i fastest);
  // each entry m gets its own running sum, so the counts are cumulative.
  for (std::size_t p = 0; p < count; ++p) {
    const double rdg = rdg_array[p];
    // t_10 = 1.0 is the largest isovalue: points with RDG >= 1, the 1.0E10
    // marker and NaN count nowhere.
    if (!(rdg < t[9])) continue;
    std::size_t first = 0;
    while (!(t[first] > rdg)) ++first;
    for (std::size_t m = first; m < 10; ++m) {
      ++n[m];
      rho_sum[m] += rho[p];
    }
    if (with_energies) {
      for (std::size_t m = first; m < 10; ++m) {
        g_sum[m] += gabr[p];
        v_sum[m] += vabr[p];
        h_sum[m] += habr[p];
      }
    }
    if (with_rhosign) {
      for (std::size_t m = first; m < 10; ++m) rhosi_sum[m] += rhosign_array[p];
    }
  }

  const std::array<float, 3> h = step_lengths(density);
  const double h1 = h[0], h2 = h[1], h3 = h[2];
  // The cell volume is applied factor by factor, left to right.
  auto scaled = [&](double x) { return ((x * h1) * h2) * h3; };
  for (std::size_t m = 0; m < 10; ++m) {
    const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    iv.n01[m] = static_cast<std::int32_t>(n[m] > limit ? limit : n[m]);
    iv.vol01[m] = scaled(static_cast<double>(n[m]));
    iv.rho01[m] = scaled(rho_sum[m]);
    if (with_energies) {
      iv.g01[m] = scaled(g_sum[m]);
      iv.v01[m] = scaled(v_sum[m]);
      iv.h01[m] = scaled(h_sum[m]);
    }
    if (with_rhosign) iv.rhosi01[m] = scaled(rhosi_sum[m]);
  }
}

}  // namespace tessaro
