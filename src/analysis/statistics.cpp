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

namespace {

// Two isosurface entries side by side.
using Pair = double __attribute__((vector_size(16)));
using PairMask = long long __attribute__((vector_size(16)));

// The isovalues as five pairs (t_1, t_2), ..., (t_9, t_10).
struct IsovaluePairs {
  Pair t[5];
  IsovaluePairs() {
    const std::array<double, 10> v = rdg_isovalues();
    for (std::size_t i = 0; i < 5; ++i) t[i] = Pair{v[2 * i], v[2 * i + 1]};
  }
};

// A point lies inside isosurface m when its RDG is below t_m: points with RDG
// >= 1 (t_10), the 1.0E10 marker and NaN count nowhere.
inline PairMask inside(const Pair& t, double rdg) { return t > Pair{rdg, rdg}; }

}  // namespace

std::array<double, 10> isosurface_sums(std::span<const double> rdg_array, std::span<const double> values) {
  const IsovaluePairs iso;
  const std::size_t count = std::min(rdg_array.size(), values.size());
  Pair sum[5] = {};
  // Over the grid in memory order (k outermost, i fastest); each entry m
  // has its own running sum. An entry the point is outside of gets +0.0,
  // which changes no sum: a sum that starts at +0.0 is never -0.0.
  for (std::size_t p = 0; p < count; ++p) {
    const double r = rdg_array[p], v = values[p];
    const PairMask bits = reinterpret_cast<PairMask>(Pair{v, v});
    for (std::size_t i = 0; i < 5; ++i) {
      const PairMask taken = inside(iso.t[i], r) & bits;
      sum[i] += reinterpret_cast<Pair>(taken);
    }
  }
  std::array<double, 10> out{};
  for (std::size_t i = 0; i < 5; ++i) {
    out[2 * i] = sum[i][0];
    out[2 * i + 1] = sum[i][1];
  }
  return out;
}

void rdg_statistics(const GridData& density, std::span<const double> rdg_array,
                    std::span<const double> rhosign_array, std::span<const double> gabr,
                    std::span<const double> vabr, std::span<const double> habr, InputVariables& iv) {
  const bool with_rhosign = !rhosign_array.empty();
  const bool with_energies = !gabr.empty() && !vabr.empty() && !habr.empty();
  std::size_t count = std::min(rdg_array.size(), density.cube_array.size());
  if (with_rhosign) count = std::min(count, rhosign_array.size());
  if (with_energies) count = std::min({count, gabr.size(), vabr.size(), habr.size()});
  const std::span<const double> rdg = rdg_array.first(count);
  EnergySums energies;
  if (with_energies) {
    energies.g = isosurface_sums(rdg, gabr);
    energies.v = isosurface_sums(rdg, vabr);
    energies.h = isosurface_sums(rdg, habr);
  }
  rdg_statistics(density, rdg, with_rhosign ? rhosign_array.first(count) : rhosign_array,
                 with_energies ? &energies : nullptr, iv);
}

void rdg_statistics(const GridData& density, std::span<const double> rdg_array,
                    std::span<const double> rhosign_array, const EnergySums* energies, InputVariables& iv) {
  clear_rdg_statistics(iv);
  const std::array<double, 10> t = rdg_isovalues();
  const bool with_rhosign = !rhosign_array.empty();
  const std::span<const double> rho(density.cube_array);
  std::size_t count = std::min(rdg_array.size(), rho.size());
  if (with_rhosign) count = std::min(count, rhosign_array.size());
  const std::span<const double> rdg = rdg_array.first(count);

  std::array<std::int64_t, 10> n{};
  for (const double r : rdg) {
    for (std::size_t m = 0; m < 10; ++m) n[m] += t[m] > r ? 1 : 0;
  }
  const std::array<double, 10> rho_sum = isosurface_sums(rdg, rho);
  const std::array<double, 10> rhosi_sum = with_rhosign ? isosurface_sums(rdg, rhosign_array) : std::array<double, 10>{};

  const std::array<float, 3> h = step_lengths(density);
  const double h1 = h[0], h2 = h[1], h3 = h[2];
  // The cell volume is applied factor by factor, left to right.
  auto scaled = [&](double x) { return ((x * h1) * h2) * h3; };
  for (std::size_t m = 0; m < 10; ++m) {
    const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    iv.n01[m] = static_cast<std::int32_t>(n[m] > limit ? limit : n[m]);
    iv.vol01[m] = scaled(static_cast<double>(n[m]));
    iv.rho01[m] = scaled(rho_sum[m]);
    if (energies) {
      iv.g01[m] = scaled(energies->g[m]);
      iv.v01[m] = scaled(energies->v[m]);
      iv.h01[m] = scaled(energies->h[m]);
    }
    if (with_rhosign) iv.rhosi01[m] = scaled(rhosi_sum[m]);
  }
}

}  // namespace tessaro
