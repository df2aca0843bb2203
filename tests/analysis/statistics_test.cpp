#include "analysis/statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tessaro {
namespace {

GridData grid_with_steps(float h, int n1, int n2, int n3) {
  GridData g;
  g.n = {n1, n2, n3};
  g.axis = {{{h, 0.0f, 0.0f}, {0.0f, h, 0.0f}, {0.0f, 0.0f, h}}};
  g.cube_array.assign(g.size(), 0.0);
  return g;
}

TEST(StatisticsIsovalues, FormedInSinglePrecision) {
  const std::array<double, 10> expected = {0.10000000149011612, 0.20000000298023224, 0.30000001192092896,
                                           0.4000000059604645,  0.5,                 0.6000000238418579,
                                           0.699999988079071,   0.800000011920929,   0.9000000357627869,
                                           1.0};
  EXPECT_EQ(rdg_isovalues(), expected);
}

// Strict t_m > rdg against the single-precision isovalues: 0.1 counts at
// m = 1, 0.3 from m = 3, 0.7 only from m = 8, 1.0, the marker and NaN nowhere.
TEST(StatisticsCounts, ThresholdEdgesAreCumulative) {
  GridData g = grid_with_steps(1.0f, 7, 1, 1);
  g.cube_array = {1.0, 2.0, 4.0, 8.0, 16.0, 32.0, 64.0};
  const std::vector<double> rdg = {0.1, 0.3, 0.7, 1.0, 1.0E10, std::nan(""), 0.25};
  InputVariables iv;
  rdg_statistics(g, rdg, {}, {}, {}, {}, iv);
  const std::array<std::int32_t, 10> n = {1, 1, 3, 3, 3, 3, 3, 4, 4, 4};
  EXPECT_EQ(iv.n01, n);
  const std::array<double, 10> rho = {1, 1, 67, 67, 67, 67, 67, 71, 71, 71};
  EXPECT_EQ(iv.rho01, rho);
  const std::array<double, 10> zero{};
  // Neither rho*sign(lambda2) nor the energies requested: those stay 0.
  EXPECT_EQ(iv.rhosi01, zero);
  EXPECT_EQ(iv.g01, zero);
  EXPECT_EQ(iv.v01, zero);
  EXPECT_EQ(iv.h01, zero);
}

TEST(StatisticsVolume, CellVolumeFromSinglePrecisionSteps) {
  GridData g = grid_with_steps(0.2f, 2, 1, 1);
  g.cube_array = {0.5, 0.25};
  const std::vector<double> rdg = {0.05, 0.05};
  const std::vector<double> rhosign = {-0.5, 0.25}, gv = {1.0, 2.0}, vv = {-2.0, -4.0}, hv = {-1.0, -2.0};
  InputVariables iv;
  iv.n01.fill(99);  // stale values from an earlier run are cleared
  rdg_statistics(g, rdg, rhosign, gv, vv, hv, iv);
  const double h = 0.2f;  // 0.20000000298023224
  EXPECT_EQ(iv.n01[0], 2);
  EXPECT_EQ(iv.vol01[0], ((2.0 * h) * h) * h);
  EXPECT_NE(iv.vol01[0], 2.0 * 0.008);  // a product in double steps would differ
  EXPECT_NEAR(iv.vol01[0], 0.016, 1e-9);
  EXPECT_EQ(iv.rho01[9], ((0.75 * h) * h) * h);
  EXPECT_EQ(iv.rhosi01[4], ((-0.25 * h) * h) * h);
  EXPECT_EQ(iv.g01[0], ((3.0 * h) * h) * h);
  EXPECT_EQ(iv.v01[0], ((-6.0 * h) * h) * h);
  EXPECT_EQ(iv.h01[0], ((-3.0 * h) * h) * h);
}

TEST(StatisticsSums, RunInGridOrder) {
  // 1 + 1e16 - 1e16 in grid order is 0; any other order of the additions
  // would keep the 1.
  GridData g = grid_with_steps(1.0f, 3, 1, 1);
  g.cube_array = {1.0, 1.0e16, -1.0e16};
  const std::vector<double> rdg = {0.5, 0.5, 0.5};
  InputVariables iv;
  rdg_statistics(g, rdg, {}, {}, {}, {}, iv);
  EXPECT_EQ(iv.rho01[9], (1.0 + 1.0e16) - 1.0e16);
  EXPECT_EQ(iv.rho01[0], 0.0);
}

// A point outside an isosurface adds nothing to its sum, not even a NaN, an
// infinity or the sign of -0.0; -0.0 inside leaves the sum +0.0.
TEST(StatisticsSums, PointsOutsideAddNothing) {
  const std::vector<double> rdg = {0.05, 2.0, 2.0, 1.0E10, std::nan("")};
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> values = {-0.0, std::nan(""), inf, -inf, 5.0};
  const std::array<double, 10> sums = isosurface_sums(rdg, values);
  for (const double sum : sums) {
    EXPECT_EQ(sum, 0.0);
    EXPECT_FALSE(std::signbit(sum));
  }
}

}  // namespace
}  // namespace tessaro
