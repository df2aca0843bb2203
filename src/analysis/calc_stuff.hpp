#pragma once
namespace tessaro {
class Run;
// The RDG section: reads the density (and gradient, Laplacian) grids, computes
// RDG, rho*sign(lambda2), Abramov energy densities, plots and statistics.
void calc_stuff(Run& run);
}  // namespace tessaro
