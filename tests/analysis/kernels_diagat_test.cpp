// diagat: eigenvalues in ascending order with their eigenvectors, the n = 3
// fixed-size routine against the general one bit for bit, and termination on
// matrices that do not converge below the absolute threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/diagat_batch.hpp"
#include "analysis/diagat_impl.hpp"
#include "analysis/rdg_kernels.hpp"

#pragma GCC diagnostic ignored "-Wpsabi"

namespace tessaro {
namespace {

struct Eigen {
  std::vector<double> d, v;
};

// Runs diagat on a copy of the column-major symmetric matrix `a` of order n.
Eigen solve(int n, std::vector<double> a) {
  Eigen e{std::vector<double>(n), std::vector<double>(static_cast<std::size_t>(n) * n)};
  std::vector<double> w(n);
  diagat(n, n, a.data(), e.v.data(), e.d.data(), w.data());
  return e;
}

std::vector<double> random_symmetric(std::mt19937_64& gen, int n, double scale) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  for (int c = 0; c < n; ++c) {
    for (int r = c; r < n; ++r) a[r + c * n] = a[c + r * n] = scale * u(gen);
  }
  return a;
}

bool same_bits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

TEST(KernelsDiagat, EigenvaluesOfTheHessianEdgeCases) {
  // diag(-1, 2, -3): lambda = (-3, -1, 2), so lambda2 = -1.
  Eigen e = solve(3, {-1, 0, 0, 0, 2, 0, 0, 0, -3});
  EXPECT_EQ(e.d, (std::vector<double>{-3, -1, 2}));
  // An already diagonal matrix needs no sweep: the values come back exactly,
  // sorted, with the unit vectors permuted alike.
  e = solve(3, {3, 0, 0, 0, 1, 0, 0, 0, 2});
  EXPECT_EQ(e.d, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(e.v, (std::vector<double>{0, 1, 0, 0, 0, 1, 1, 0, 0}));
  // Eigenvalues (-2, 0, 5): Q diag(-2, 0, 5) Q^T with Q a rotation by 45
  // degrees in the (1, 2) plane is [[-1, -1, 0], [-1, -1, 0], [0, 0, 5]].
  e = solve(3, {-1, -1, 0, -1, -1, 0, 0, 0, 5});
  EXPECT_DOUBLE_EQ(e.d[0], -2.0);
  EXPECT_NEAR(e.d[1], 0.0, 1e-15);
  EXPECT_DOUBLE_EQ(e.d[2], 5.0);
  e = solve(3, {-2, 0, 0, 0, 5, 0, 0, 0, 0});
  EXPECT_EQ(e.d, (std::vector<double>{-2, 0, 5}));
}

TEST(KernelsDiagat, SmallOrdersAndEmpty) {
  Eigen e = solve(1, {4.5});
  EXPECT_EQ(e.d, (std::vector<double>{4.5}));
  EXPECT_EQ(e.v, (std::vector<double>{1.0}));
  e = solve(2, {2, 1, 1, 2});
  EXPECT_NEAR(e.d[0], 1.0, 1e-15);
  EXPECT_NEAR(e.d[1], 3.0, 1e-15);
  diagat(0, 0, nullptr, nullptr, nullptr, nullptr);  // returns at once
}

// A v = lambda v and V orthonormal for random matrices of several orders,
// including a leading dimension larger than the order.
TEST(KernelsDiagat, EigenpairsSatisfyTheDefinition) {
  std::mt19937_64 gen(12345);
  for (int n = 2; n <= 9; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      const int ld = n + trial % 3;
      std::vector<double> a(static_cast<std::size_t>(ld) * n, 7.0);  // padding rows must not be read
      const std::vector<double> m = random_symmetric(gen, n, 10.0);
      for (int c = 0; c < n; ++c) {
        for (int r = 0; r < n; ++r) a[r + c * ld] = m[r + c * n];
      }
      std::vector<double> v(static_cast<std::size_t>(ld) * n), d(n), w(n);
      diagat(n, ld, a.data(), v.data(), d.data(), w.data());
      for (int j = 0; j + 1 < n; ++j) EXPECT_LE(d[j], d[j + 1]);
      for (int j = 0; j < n; ++j) {
        for (int r = 0; r < n; ++r) {
          double av = 0.0;
          for (int c = 0; c < n; ++c) av += m[r + c * n] * v[c + j * ld];
          // The absolute threshold lets a subdiagonal of up to 1e-9 go, which
          // bounds the residual.
          EXPECT_NEAR(av, d[j] * v[r + j * ld], 1e-9) << "n=" << n << " trial=" << trial;
        }
        for (int q = 0; q < n; ++q) {
          double dot = 0.0;
          for (int r = 0; r < n; ++r) dot += v[r + j * ld] * v[r + q * ld];
          EXPECT_NEAR(dot, j == q ? 1.0 : 0.0, 1e-12);
        }
      }
    }
  }
}

// A tridiagonal matrix whose upper part is already split off (a zero
// subdiagonal above the bottom block) still converges: the sweep from the top
// must carry the rotations through the zero.
TEST(KernelsDiagat, ZeroSubdiagonalAboveTheActiveBlock) {
  Eigen e = solve(4, {1, 0, 0, 0, 0, 2, 1, 0, 0, 1, 3, 0.5, 0, 0, 0.5, 7});
  std::vector<double> a = {1, 0, 0, 0, 0, 2, 1, 0, 0, 1, 3, 0.5, 0, 0, 0.5, 7};
  double trace = 0.0;
  for (double x : e.d) trace += x;
  EXPECT_NEAR(trace, 13.0, 1e-13);
  EXPECT_DOUBLE_EQ(e.d[0], 1.0);
  for (int j = 0; j < 4; ++j) {
    for (int r = 0; r < 4; ++r) {
      double av = 0.0;
      for (int c = 0; c < 4; ++c) av += a[r + c * 4] * e.v[c + j * 4];
      EXPECT_NEAR(av, e.d[j] * e.v[r + j * 4], 1e-12);
    }
  }
}

// Large values converge like small ones (the test is absolute, but the
// subdiagonal still falls far below it); values whose squares overflow, or that
// are not numbers, end the iteration instead of looping.
TEST(KernelsDiagat, ExtremeAndNanMatricesTerminate) {
  Eigen e = solve(3, {1e12, 3e11, 1e11, 3e11, -2e12, 5e11, 1e11, 5e11, 4e11});
  EXPECT_LT(e.d[0], e.d[1]);
  EXPECT_LT(e.d[1], e.d[2]);
  EXPECT_NEAR(e.d[0] + e.d[1] + e.d[2], 1e12 - 2e12 + 4e11, 1e-2);
  const double nan = std::nan(""), inf = HUGE_VAL;
  for (const std::vector<double>& m : {std::vector<double>{nan, 1, 2, 1, 3, 4, 2, 4, 5},
                                       std::vector<double>{1, inf, 2, inf, 3, 4, 2, 4, 5},
                                       std::vector<double>{1e200, 3e199, 1e199, 3e199, -2e200, 5e199, 1e199, 5e199, 4e199}}) {
    e = solve(3, m);  // must return
    EXPECT_EQ(e.d.size(), 3u);
  }
}

// Symmetric 3 x 3 test matrices (column-major): random over many decades,
// near-degenerate, diagonal, already tridiagonal, with equal eigenvalues.
std::vector<std::vector<double>> three_by_three_cases() {
  std::mt19937_64 gen(2024);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<std::vector<double>> cases;
  for (int t = 0; t < 3000; ++t) {
    const double scale = std::pow(10.0, (t % 13) - 8);  // densities' Hessians span many decades
    cases.push_back(random_symmetric(gen, 3, scale));
  }
  for (int t = 0; t < 500; ++t) {
    // A multiple of the identity plus a tiny perturbation.
    const double base = u(gen) * 5.0, eps = std::pow(10.0, -(t % 15));
    std::vector<double> a = random_symmetric(gen, 3, eps);
    for (int x = 0; x < 3; ++x) a[x * 4] += base;
    cases.push_back(a);
    cases.push_back({u(gen), 0, 0, 0, u(gen), 0, 0, 0, u(gen)});
    const double b = u(gen), c2 = u(gen);
    cases.push_back({u(gen), b, 0, b, u(gen), c2, 0, c2, u(gen)});  // no reflection needed
    cases.push_back({2, 0, 0, 0, 2, 0, 0, 0, u(gen)});
    const double tiny = 1e-170 * u(gen);  // squares underflow: h = 0, no reflection
    cases.push_back({u(gen), tiny, tiny, tiny, u(gen), 0.5, tiny, 0.5, u(gen)});
  }
  return cases;
}

// The fixed-size routine of rho*sign(lambda2) repeats the general routine's
// operations: eigenvalues and eigenvectors agree to the last bit, with and
// without the eigenvector updates.
TEST(KernelsDiagat, FixedSizeMatchesGeneralBitForBit) {
  for (const auto& m : three_by_three_cases()) {
    std::vector<double> a1 = m, a2 = m, a3 = m;
    double v1[9], v2[9], v3[9], d1[3], d2[3], d3[3], w1[3], w2[3], w3[3];
    diagat(3, 3, a1.data(), v1, d1, w1);
    detail::diagat_core<3, true>(0, 0, a2.data(), v2, d2, w2);
    detail::diagat_core<3, false>(0, 0, a3.data(), v3, d3, w3);
    for (int x = 0; x < 3; ++x) {
      ASSERT_TRUE(same_bits(d1[x], d2[x]) && same_bits(d1[x], d3[x])) << m[0] << " " << m[1] << " " << m[2];
    }
    for (int x = 0; x < 9; ++x) ASSERT_TRUE(same_bits(v1[x], v2[x]));
  }
}

// The four-lane solver gives each lane the general routine's eigenvalues to
// the bit, whatever the other lanes hold: lanes that converge after different
// numbers of sweeps, and lanes that are not numbers or infinite next to
// ordinary ones (those lanes only need to stay not-a-number in both).
TEST(KernelsDiagat, FourLaneSolverMatchesGeneralBitForBit) {
  std::vector<std::vector<double>> cases = three_by_three_cases();
  const double nan = std::nan(""), inf = HUGE_VAL;
  cases.insert(cases.begin() + 5, {nan, 1, 2, 1, 3, 4, 2, 4, 5});
  cases.insert(cases.begin() + 10, {1, inf, 2, inf, 3, 4, 2, 4, 5});
  cases.insert(cases.begin() + 15, {0, 0, 0, 0, 0, 0, 0, 0, 0});
  for (std::size_t first = 0; first + 4 <= cases.size(); first += 3) {  // overlapping groups mix lanes
    detail::Lanes a[6], d[3];
    for (int lane = 0; lane < 4; ++lane) {
      const std::vector<double>& m = cases[first + lane];
      const double lower[6] = {m[0], m[1], m[2], m[4], m[5], m[8]};
      for (int x = 0; x < 6; ++x) a[x][lane] = lower[x];
    }
    detail::diagat3_eigenvalues_x4(a, d);
    for (int lane = 0; lane < 4; ++lane) {
      std::vector<double> m = cases[first + lane];
      double v[9], dg[3], w[3];
      diagat(3, 3, m.data(), v, dg, w);
      for (int x = 0; x < 3; ++x) {
        const double got = d[x][lane];
        if (std::isnan(dg[x])) {
          ASSERT_TRUE(std::isnan(got));
        } else {
          ASSERT_TRUE(same_bits(got, dg[x])) << "case " << first + lane << " eigenvalue " << x;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
