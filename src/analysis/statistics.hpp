#pragma once
// The RDG isosurface statistics: for the ten RDG isovalues 0.1 ... 1.0, the
// points inside the isosurface, their volume, and the density,
// rho*sign(lambda2) and Abramov energies integrated over that volume.
#include <array>
#include <span>

#include "grid/grid_data.hpp"
#include "run/input_variables.hpp"

namespace tessaro {

// The isovalue of entry m (m = 1..10): m times 0.1, formed in single
// precision and widened to double (t_7 = 0.699999988079071 < 0.7).
std::array<double, 10> rdg_isovalues();

// Sets n01, vol01, rho01, rhosi01, g01, v01, h01 to zero.
void clear_rdg_statistics(InputVariables& iv);

// Clears the seven arrays, then fills them from `rdg_array` and the density
// grid's values. `rhosign_array` empty: rho*sign(lambda2) not requested
// (rhosi01 stays 0); `gabr`, `vabr`, `habr` empty: Abramov energies not
// requested (g01, v01, h01 stay 0). The cell volume h1*h2*h3 comes from the
// density grid's step vectors.
void rdg_statistics(const GridData& density, std::span<const double> rdg_array,
                    std::span<const double> rhosign_array, std::span<const double> gabr,
                    std::span<const double> vabr, std::span<const double> habr, InputVariables& iv);

// For each isovalue entry m, the sum of `values` over the points whose RDG
// lies inside that isosurface, added in memory order: what the statistics
// integrate, formed while a grid is at hand (the first min(sizes) points).
std::array<double, 10> isosurface_sums(std::span<const double> rdg_array, std::span<const double> values);

// The Abramov energies' isosurface sums, G, V and H.
struct EnergySums {
  std::array<double, 10> g{}, v{}, h{};
};

// As above, with the energies given by their sums (none: not requested).
void rdg_statistics(const GridData& density, std::span<const double> rdg_array,
                    std::span<const double> rhosign_array, const EnergySums* energies, InputVariables& iv);

}  // namespace tessaro
