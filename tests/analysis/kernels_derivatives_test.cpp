// Five-point derivatives: exactness on polynomials, the border layers, axes
// that are not the Cartesian ones, and the single-precision denominators.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

#include "analysis/hessian_planes.hpp"
#include "analysis/rdg_kernels.hpp"
#include "kernels_grid_helpers.hpp"

namespace tessaro {
namespace {

using kernels_test::cubic_axes;
using kernels_test::make_grid;

bool interior(const GridData& g, std::size_t i, std::size_t j, std::size_t k) {
  return i >= 2 && j >= 2 && k >= 2 && i + 2 < g.n1() && j + 2 < g.n2() && k + 2 < g.n3();
}

// Relative closeness for results that carry the single-precision denominators.
void expect_rel(double got, double want, double rel) { EXPECT_NEAR(got, want, rel * std::max(1.0, std::fabs(want))); }

// The step length is the length of the step vector taken in single
// precision: for (0.123, 0.456, 0.789) that is 0x1.d6d03ep-1, while the length
// taken in double and then rounded would be 0x1.d6d03cp-1.
TEST(KernelsDerivatives, StepLengthsInSinglePrecision) {
  GridData g;
  g.axis = {{{0.0f, 0.2f, 0.0f}, {0.123f, 0.456f, 0.789f}, {0.0f, 0.0f, 0.3f}}};
  const std::array<float, 3> h = step_lengths(g);
  EXPECT_EQ(h[0], 0.2f);
  EXPECT_EQ(h[1], 0x1.d6d03ep-1f);
  EXPECT_EQ(h[2], 0.3f);
}

// The stencils are exact for polynomials of degree 4 (first derivative) and
// 5 (second derivative, mixed derivatives of products of such terms), on a
// grid with different counts per axis so that mixed-up strides show.
TEST(KernelsDerivatives, HessianIsExactOnPolynomials) {
  const float h = 0.25f;  // 12 h and 12 h h are exact in single precision
  auto f = [](double x, double y, double z) {
    return std::pow(x, 5) - 2 * std::pow(y, 4) + 0.5 * z * z * z + x * y + 3 * y * z * z + x * x * z;
  };
  GridData g = make_grid(7, 8, 9, cubic_axes(h), f, {-0.8f, 0.3f, -1.1f});
  for (std::size_t k = 2; k + 2 < g.n3(); ++k) {
    for (std::size_t j = 2; j + 2 < g.n2(); ++j) {
      for (std::size_t i = 2; i + 2 < g.n1(); ++i) {
        const double x = double(-0.8f) + i * 0.25, y = double(0.3f) + j * 0.25, z = double(-1.1f) + k * 0.25;
        const Matrix3 m = hessian(g, i, j, k);
        expect_rel(m[0][0], 20 * x * x * x + 2 * z, 1e-11);
        expect_rel(m[1][1], -24 * y * y, 1e-11);
        expect_rel(m[2][2], 3 * z + 6 * y, 1e-11);
        expect_rel(m[0][1], 1.0, 1e-11);
        expect_rel(m[0][2], 2 * x, 1e-11);
        expect_rel(m[1][2], 6 * z, 1e-11);
        for (int a = 0; a < 3; ++a) {
          for (int b = 0; b < 3; ++b) EXPECT_EQ(m[a][b], m[b][a]);
        }
      }
    }
  }
}

TEST(KernelsDerivatives, GradientAndLaplacianOfSimplePolynomials) {
  // f = x^2 along axis 1 with step 0.1: D_1 f = 2x, Laplacian 2.
  GridData g = make_grid(9, 6, 7, cubic_axes(0.1f), [](double x, double, double) { return x * x; });
  std::vector<double> grad, lapl;
  numerical_gradient(g, grad);
  numerical_laplacian(g, lapl);
  for (std::size_t k = 0; k < g.n3(); ++k) {
    for (std::size_t j = 0; j < g.n2(); ++j) {
      for (std::size_t i = 0; i < g.n1(); ++i) {
        const std::size_t p = g.index(i, j, k);
        if (!interior(g, i, j, k)) {
          EXPECT_EQ(grad[p], 0.0);
          EXPECT_EQ(lapl[p], 0.0);
          continue;
        }
        expect_rel(grad[p], 2 * (i * double(0.1f)), 1e-6);
        expect_rel(lapl[p], 2.0, 1e-6);
      }
    }
  }
  // f = x y: D_12 = 1, D_11 = D_22 = 0.
  g = make_grid(6, 6, 5, cubic_axes(0.5f), [](double x, double y, double) { return x * y; });
  const Matrix3 m = hessian(g, 2, 3, 2);
  EXPECT_DOUBLE_EQ(m[0][1], 1.0);
  EXPECT_DOUBLE_EQ(m[1][0], 1.0);
  EXPECT_NEAR(m[0][0], 0.0, 1e-12);
  EXPECT_NEAR(m[1][1], 0.0, 1e-12);
}

// Axes (0, 0.2, 0), (0.2, 0, 0), (0, 0, 0.2): every step is 0.2 and the
// derivatives are taken along the grid's axes, so f = x^2 varies along axis 2.
TEST(KernelsDerivatives, SwappedAxesDifferentiateAlongGridAxes) {
  const kernels_test::Axes axes = {{{0.0f, 0.2f, 0.0f}, {0.2f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.2f}}};
  GridData g = make_grid(6, 7, 5, axes, [](double x, double, double) { return x * x; });
  const std::array<float, 3> h = step_lengths(g);
  EXPECT_EQ(h, (std::array<float, 3>{0.2f, 0.2f, 0.2f}));
  const Matrix3 m = hessian(g, 2, 3, 2);
  EXPECT_NEAR(m[0][0], 0.0, 1e-12);
  expect_rel(m[1][1], 2.0, 1e-6);
  std::vector<double> grad;
  numerical_gradient(g, grad);
  expect_rel(grad[g.index(2, 3, 2)], 2 * 3 * double(0.2f), 1e-6);
}

TEST(KernelsDerivatives, FiveCubedGridHasOneInteriorPoint) {
  GridData g = make_grid(5, 5, 5, cubic_axes(0.5f), [](double x, double y, double z) { return x * x + y * y + z * z; });
  std::vector<double> grad(3, 9.0), lapl;  // stale content is replaced
  numerical_gradient(g, grad);
  numerical_laplacian(g, lapl);
  ASSERT_EQ(grad.size(), 125u);
  ASSERT_EQ(lapl.size(), 125u);
  for (std::size_t p = 0; p < 125; ++p) {
    if (p == g.index(2, 2, 2)) continue;
    EXPECT_EQ(grad[p], 0.0);
    EXPECT_EQ(lapl[p], 0.0);
  }
  expect_rel(grad[g.index(2, 2, 2)], std::sqrt(3.0) * 2.0, 1e-6);
  expect_rel(lapl[g.index(2, 2, 2)], 6.0, 1e-6);
  // Fewer than five points along one axis: no interior, all 0.
  g = make_grid(4, 6, 6, cubic_axes(0.5f), [](double x, double, double) { return x; });
  numerical_gradient(g, grad);
  EXPECT_EQ(grad, std::vector<double>(g.size(), 0.0));
}

// The border that set_border marks is exactly where the five-point
// gradient has no value: on f = x + 2y + 3z (gradient sqrt(14) inside) the
// marked points and the points of gradient 0 coincide, on a grid with a
// different count per axis and too few points along one axis.
TEST(KernelsDerivatives, SetBorderMarksWhereDifferencesAreUndefined) {
  for (const std::array<int, 3> n : {std::array<int, 3>{6, 5, 8}, std::array<int, 3>{7, 4, 5}}) {
    GridData g = make_grid(n[0], n[1], n[2], cubic_axes(0.5f),
                           [](double x, double y, double z) { return x + 2 * y + 3 * z; });
    std::vector<double> grad, marked(g.size(), 1.0);
    numerical_gradient(g, grad);
    set_border(g, marked, kRdgUnselected);
    std::size_t inside = 0;
    for (std::size_t p = 0; p < g.size(); ++p) {
      EXPECT_EQ(marked[p] == kRdgUnselected, grad[p] == 0.0) << p;
      if (marked[p] == 1.0) ++inside;
    }
    EXPECT_EQ(inside, static_cast<std::size_t>((n[0] - 4) * std::max(n[1] - 4, 0) * (n[2] - 4)));
  }
}

// Axes are orthogonal while |cos| of every pair stays within 1.0E-4; the
// first pair beyond it is named.
TEST(KernelsDerivatives, NonOrthogonalAxes) {
  const struct {
    kernels_test::Axes axes;
    std::optional<std::array<int, 2>> pair;
  } cases[] = {
      {cubic_axes(0.25f), std::nullopt},
      {{{{0.0f, 0.2f, 0.0f}, {0.2f, 0.0f, 0.0f}, {0.0f, 0.0f, -0.2f}}}, std::nullopt},
      {{{{1.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}}, std::array<int, 2>{1, 2}},
      {{{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.00005f, 1.0f}}}, std::nullopt},
      {{{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0002f, 1.0f}}}, std::array<int, 2>{2, 3}},
      {{{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.001f, 0.0f, 0.1f}}}, std::array<int, 2>{1, 3}},
  };
  for (const auto& c : cases) {
    GridData g;
    g.axis = c.axes;
    EXPECT_EQ(non_orthogonal_axes(g), c.pair);
  }
}

// 12 h with h = 0.1 is rounded to single precision before the division: the
// derivative of f = x comes out as 12 h / fl(12 h), not 1, and x^2 / 2 gives
// 12 h h / fl(fl(12 h) h) as its second derivative.
TEST(KernelsDerivatives, DenominatorsAreSinglePrecision) {
  const double hd = double(0.1f);
  GridData g = make_grid(5, 5, 5, cubic_axes(0.1f), [](double x, double, double) { return x; });
  std::vector<double> grad;
  numerical_gradient(g, grad);
  const double first = 12 * hd / double(12.0f * 0.1f);
  EXPECT_NEAR(grad[g.index(2, 2, 2)], first, 1e-14);
  EXPECT_GT(std::fabs(first - 1.0), 1e-8);  // computed all in double it would be 1
  g = make_grid(5, 5, 5, cubic_axes(0.1f), [](double x, double, double) { return x * x / 2; });
  const double second = 12 * hd * hd / double(12.0f * 0.1f * 0.1f);
  EXPECT_NEAR(hessian(g, 2, 2, 2)[0][0], second, 1e-12);
  EXPECT_GT(std::fabs(second - 1.0), 1e-9);
}

// The fast paths against `hessian` on arbitrary data and a skewed grid with a
// different count per axis: the Laplacian (diagonal only) equals the trace,
// and the plane-buffered rows equal every element, to the bit.
TEST(KernelsDerivatives, FastPathsMatchHessianBitForBit) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  GridData g = make_grid(9, 7, 10, {{{0.3f, 0.01f, 0.0f}, {0.0f, 0.27f, 0.0f}, {0.02f, 0.0f, 0.31f}}},
                         [&](double, double, double) { return u(gen); });
  std::vector<double> lapl;
  numerical_laplacian(g, lapl);
  HessianPlanes planes(g);
  const int element[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};
  for (std::size_t k = 2; k + 2 < g.n3(); ++k) {
    for (std::size_t j = 2; j + 2 < g.n2(); ++j) {
      planes.row(j, k);
      for (std::size_t i = 2; i + 2 < g.n1(); ++i) {
        const Matrix3 m = hessian(g, i, j, k);
        EXPECT_EQ(lapl[g.index(i, j, k)], m[0][0] + m[1][1] + m[2][2]);
        for (int e = 0; e < 6; ++e) {
          ASSERT_EQ(planes.element(e)[i], m[element[e][0]][element[e][1]]) << i << " " << j << " " << k << " " << e;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
