#pragma once
// The electron count of a wavefunction's orbitals, integrated analytically:
// the check that a file's coefficients and primitive types belong together.
#include "wavefunction/wavefunction.hpp"

namespace tessaro {

// The sum over the orbitals of occupation x c^T S c, S the overlap matrix of
// the primitives as stored (without normalisation). Pairs of primitives whose
// Gaussian product is below exp(-50) everywhere are left out. The additional
// density functions are not counted.
double orbital_electron_count(const Wavefunction& wfn);

// The sum of the occupations, in orbital order.
double occupation_sum(const Wavefunction& wfn);

// The two disagree by more than 0.1 % of the occupations' sum.
bool electron_count_inconsistent(double integrated, double occupations);

}  // namespace tessaro
