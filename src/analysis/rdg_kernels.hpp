#pragma once
// The numerical kernels of the RDG section: five-point derivatives, the
// Hessian and its eigenvalues, rho*sign(lambda2), the reduced density
// gradient, the Abramov energy densities. All grids are N1*N2*N3 doubles with
// the first index fastest (GridData::index). A mask passed as an empty span
// means "every point" (the zero grid, which passes every mask test, is a rule
// and need not be stored).
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "grid/grid_data.hpp"

namespace tessaro {

using Matrix3 = std::array<std::array<double, 3>, 3>;

// The RDG of a point the RDG step leaves out.
constexpr double kRdgUnselected = 1.0E10;

// Step length of each axis: the single-precision length of its step vector.
std::array<float, 3> step_lengths(const GridData& grid);

// Axes whose |cos| exceeds this are not orthogonal. Cube headers give the
// step vectors to six decimals, which moves the cosine of two orthogonal steps
// of 0.1 bohr by about 1.0E-5 at most.
constexpr double kOrthogonalTolerance = 1.0E-4;

// The first pair of axes (1-based, in the order 1-2, 1-3, 2-3) that are not
// orthogonal, or none. Axes of zero length are orthogonal to every axis.
std::optional<std::array<int, 2>> non_orthogonal_axes(const GridData& grid);

// Gradient magnitude and Laplacian by five-point differences at the interior
// points; the two outer layers on every face are 0. The caller only calls them
// when N1, N2, N3 are all >= 5. The output vectors are (re)sized here.
void numerical_gradient(const GridData& rho, std::vector<double>& grad_array);
void numerical_laplacian(const GridData& rho, std::vector<double>& lapl_array);

// Sets the two outer layers on every face of the grid (i, j or k among the
// first two or the last two), where five-point differences are not defined, to
// `value`.
void set_border(const GridData& grid, std::span<double> values, double value);

// The Hessian of the values at the interior point (i, j, k), 0-based indices.
Matrix3 hessian(const GridData& rho, std::size_t i, std::size_t j, std::size_t k);

// Eigenvalues (ascending, in d) and eigenvectors (columns of v) of the
// symmetric n x n matrix a (column-major, leading dimension ld; overwritten).
// w is work space of n doubles.
void diagat(int n, int ld, double* a, double* v, double* d, double* w);

// rho*sign(lambda2) at the interior points whose mask value is < 1.0E10 (empty
// mask: every interior point); 0 elsewhere.
void rhosign_calc(const GridData& rho, std::span<const double> mask, std::vector<double>& rhosign_array);

enum class SpaceMode { None, Atom, Exte };

// The reduced density gradient at the selected points, 1.0E10 elsewhere; a
// point whose RDG is not finite (its density's 4/3 power underflows to 0, or the
// gradient is not finite) is left out too. `test` is the grid of the value
// test (empty: the zero grid).
void rdg_calc(const GridData& rho, std::span<const double> grad, std::span<const double> test, float tolerance,
              float lower, float upper, SpaceMode mode, std::vector<double>& rdg_array);

// Abramov's G, V, H at the points whose mask value is < 1.0E9 (empty mask:
// every point) and whose density is > 0; 0 elsewhere. The three steps of
// abramov_calc are also given apart, so that a caller can write each grid
// before the next takes its place: G; then V = L/4 - 2 G in place of the
// Laplacian; then H = G + V in place of G. abramov_kinetic sets every point
// of `gabr` (sized like rho), which may be the gradient's own grid.
void abramov_kinetic(std::span<const double> rho, std::span<const double> grad, std::span<const double> lapl,
                     std::span<const double> mask, std::span<double> gabr);
void abramov_potential(std::span<const double> rho, std::span<const double> mask, std::span<const double> gabr,
                       std::span<double> lapl_then_vabr);
void abramov_total(std::span<double> gabr_then_habr, std::span<const double> vabr);
void abramov_calc(std::span<const double> rho, std::span<const double> grad, std::span<const double> lapl,
                  std::span<const double> mask, std::vector<double>& gabr, std::vector<double>& vabr,
                  std::vector<double>& habr);

}  // namespace tessaro
