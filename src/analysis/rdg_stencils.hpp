#pragma once
// The five-point stencils shared by the numerical gradient, the numerical
// Laplacian, `hessian` and `rhosign_calc`. Every caller goes through these
// inline functions, so the plane-buffered fast paths and the point-by-point
// `hessian` evaluate each derivative with the same operations in the same
// order and agree to the last bit.
#include <array>
#include <cstddef>

#include "grid/grid_data.hpp"

namespace tessaro::stencil {

// First derivative: (8 f(p+1) - f(p+2) - 8 f(p-1) + f(p-2)) / (12 h), summed
// left to right in double; den1 is 12 h formed in single precision.
inline double first(double fm2, double fm1, double fp1, double fp2, double den1) {
  return (8.0 * fp1 - fp2 - 8.0 * fm1 + fm2) / den1;
}

// Second derivative: (16 f(p+1) - f(p+2) - 30 f(p) + 16 f(p-1) - f(p-2)) / (12 h h);
// den2 is 12 h h formed in single precision.
inline double second(double fm2, double fm1, double f0, double fp1, double fp2, double den2) {
  return (16.0 * fp1 - fp2 - 30.0 * f0 + 16.0 * fm1 - fm2) / den2;
}

// Indices and strides are signed: a stencil that starts on a plane pointer
// reaches back across planes with negative offsets, which an unsigned index
// would wrap around the address space before adding.
using Offset = std::ptrdiff_t;

// First derivative along the axis of stride `s` at f[p].
inline double first_at(const double* f, Offset p, Offset s, double den1) {
  return first(f[p - 2 * s], f[p - s], f[p + s], f[p + 2 * s], den1);
}

inline double second_at(const double* f, Offset p, Offset s, double den2) {
  return second(f[p - 2 * s], f[p - s], f[p], f[p + s], f[p + 2 * s], den2);
}

// The mixed derivative is the mean of the two nested forms D_b[D_a f] and D_a[D_b f].
inline double mixed(double nested_ba, double nested_ab) { return 0.5 * (nested_ba + nested_ab); }

// Step lengths and the single-precision denominators 12 h and 12 h h, widened.
struct Denominators {
  std::array<double, 3> den1{};
  std::array<double, 3> den2{};
};

Denominators denominators(const GridData& grid);

// Strides of axes 1, 2, 3 in the value array (first index fastest).
inline std::array<Offset, 3> strides(const GridData& grid) {
  return {1, static_cast<Offset>(grid.n1()), static_cast<Offset>(grid.n1() * grid.n2())};
}

// True when the grid has at least one interior point (five points along every axis).
inline bool has_interior(const GridData& grid) { return grid.n1() >= 5 && grid.n2() >= 5 && grid.n3() >= 5; }

}  // namespace tessaro::stencil
