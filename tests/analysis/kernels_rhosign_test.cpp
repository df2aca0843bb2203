// rho*sign(lambda2): the sign rule, the masks, the border, and the
// plane-buffered Hessians against `hessian` + `diagat` point by point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "analysis/rdg_kernels.hpp"
#include "kernels_grid_helpers.hpp"

namespace tessaro {
namespace {

using kernels_test::cubic_axes;
using kernels_test::make_grid;

// With step 1 and integer-valued quadratics every stencil is exact, so the
// Hessian is exactly diagonal.
TEST(KernelsRhosign, SignOfTheMiddleEigenvalue) {
  // Hessian diag(-1, 2, -3): lambda2 = -1, the value is -rho.
  GridData g = make_grid(6, 5, 7, cubic_axes(1.0f),
                         [](double x, double y, double z) { return 100 - x * x / 2 + y * y - 1.5 * z * z; });
  std::vector<double> out;
  rhosign_calc(g, {}, out);
  std::size_t p = g.index(3, 2, 4);
  EXPECT_EQ(out[p], -g.cube_array[p]);
  // Eigenvalues (-2, 0, 5): lambda2 = 0 counts as positive.
  g = make_grid(6, 5, 7, cubic_axes(1.0f), [](double x, double, double z) { return 100 - x * x + 2.5 * z * z; });
  EXPECT_EQ(hessian(g, 3, 2, 4)[1][1], 0.0);
  rhosign_calc(g, {}, out);
  p = g.index(3, 2, 4);
  EXPECT_EQ(out[p], g.cube_array[p]);
  // A negative density flips to positive where lambda2 < 0: |value| == |rho|.
  g = make_grid(5, 5, 5, cubic_axes(1.0f), [](double x, double y, double) { return -1 - x * x - y * y; });
  rhosign_calc(g, {}, out);
  p = g.index(2, 2, 2);
  EXPECT_EQ(out[p], 9.0);
}

TEST(KernelsRhosign, MaskBorderAndSmallGrids) {
  GridData g = make_grid(7, 6, 6, cubic_axes(1.0f), [](double x, double y, double z) { return 50 - x * x - y * y + z * z; });
  std::vector<double> mask(g.size(), 0.5);
  const std::size_t far = g.index(3, 2, 2), edge = g.index(2, 3, 2), nan = g.index(4, 3, 3), ok = g.index(2, 2, 3);
  mask[far] = 2.0E10;        // an RDG of a very small density
  mask[edge] = 1.0E10;       // the unselected marker itself
  mask[nan] = std::nan("");  // not a number does not qualify
  mask[ok] = 9.999999E9;
  std::vector<double> out;
  rhosign_calc(g, mask, out);
  EXPECT_EQ(out[far], 0.0);
  EXPECT_EQ(out[edge], 0.0);
  EXPECT_EQ(out[nan], 0.0);
  EXPECT_EQ(out[ok], -g.cube_array[ok]);
  for (std::size_t k = 0; k < g.n3(); ++k) {
    for (std::size_t j = 0; j < g.n2(); ++j) {
      for (std::size_t i = 0; i < g.n1(); ++i) {
        const bool border = i < 2 || j < 2 || k < 2 || i + 2 >= g.n1() || j + 2 >= g.n2() || k + 2 >= g.n3();
        if (border) {
          EXPECT_EQ(out[g.index(i, j, k)], 0.0);
        }
      }
    }
  }
  g = make_grid(4, 4, 4, cubic_axes(1.0f), [](double, double, double) { return 1.0; });
  rhosign_calc(g, {}, out);
  EXPECT_EQ(out, std::vector<double>(64, 0.0));
}

// The plane-buffered nested derivatives and the fixed-size solver give, on
// arbitrary data and a skewed non-cubic grid, exactly the value of `hessian`
// followed by the general `diagat` at every point.
TEST(KernelsRhosign, MatchesHessianAndGeneralDiagatBitForBit) {
  std::mt19937_64 gen(99);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  GridData g = make_grid(11, 9, 10, {{{0.21f, 0.0f, 0.01f}, {0.0f, 0.19f, 0.0f}, {0.03f, 0.0f, 0.23f}}},
                         [&](double x, double y, double z) { return std::exp(-x * x - y * y - z * z) + 1e-3 * u(gen); });
  std::vector<double> out;
  rhosign_calc(g, {}, out);
  for (std::size_t k = 2; k + 2 < g.n3(); ++k) {
    for (std::size_t j = 2; j + 2 < g.n2(); ++j) {
      for (std::size_t i = 2; i + 2 < g.n1(); ++i) {
        const Matrix3 m = hessian(g, i, j, k);
        double a[9], v[9], d[3], w[3];
        for (int c = 0; c < 3; ++c) {
          for (int r = 0; r < 3; ++r) a[r + 3 * c] = m[r][c];
        }
        diagat(3, 3, a, v, d, w);
        const double rho = g.cube_array[g.index(i, j, k)];
        const double want = d[1] < 0.0 ? -rho : rho;
        const double got = out[g.index(i, j, k)];
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << i << " " << j << " " << k;
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
