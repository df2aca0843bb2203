// The RDG point selection at the single-precision limits, its spatial modes,
// the constants, and the Abramov energy densities with their masks.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/rdg_kernels.hpp"
#include "kernels_grid_helpers.hpp"

namespace tessaro {
namespace {

using kernels_test::cubic_axes;
using kernels_test::make_grid;

constexpr double kMarker = 1.0E10;

GridData line_grid(std::vector<double> values, float step = 1.0f, float x0 = 0.0f) {
  GridData g;
  g.n = {static_cast<std::int32_t>(values.size()), 1, 1};
  g.axis = cubic_axes(step);
  g.origin = {x0, 0.0f, 0.0f};
  g.cube_array = std::move(values);
  return g;
}

std::vector<double> rdg(const GridData& g, std::vector<double> grad, std::span<const double> test, float t, float lo,
                        float hi, SpaceMode mode) {
  std::vector<double> out;
  rdg_calc(g, grad, test, t, lo, hi, mode, out);
  return out;
}

TEST(KernelsRdg, ValueAndConstants) {
  // rho = 1, |grad| = 1: c_s itself, with pi and 1/3 taken in single precision.
  GridData g = line_grid({1.0, 1.0, 0.0, -1.0, 1.0});
  std::vector<double> out = rdg(g, {1.0, -1.0, 1.0, 1.0, 0.0}, {}, 1000.0f, -1000.0f, 1000.0f, SpaceMode::None);
  EXPECT_EQ(out, (std::vector<double>{0.1616204512359269, 0.1616204512359269, kMarker, kMarker, 0.0}));
  // The exponent 4/3 in single precision: 8^1.3333333730697632 is not 16.
  g = line_grid({8.0});
  out = rdg(g, {1.0}, {}, 1000.0f, -1000.0f, 1000.0f, SpaceMode::None);
  EXPECT_NEAR(out[0], 0.1616204512359269 / 16, 1e-9);
  EXPECT_NE(out[0], 0.1616204512359269 / 16);
  EXPECT_NE(out[0], 1.0 / (2 * std::cbrt(3 * M_PI * M_PI)) / 16);
}

// Where the RDG is not a finite number the point is left out, as one of
// density 0: rho^(4/3) of 1e-250 underflows to 0 (0/0 with a zero gradient,
// |g|/0 with another), and a gradient that is Infinity or NaN. A density of
// 1e-200 keeps its tiny but finite RDG.
TEST(KernelsRdg, NonFiniteRdgIsUnselected) {
  GridData g = line_grid({1e-250, 1e-250, 1.0, 1.0, 1e-200});
  const std::vector<double> grad = {0.0, 1e-300, INFINITY, std::nan(""), 1e-300};
  const std::vector<double> out = rdg(g, grad, {}, 1000.0f, -1000.0f, 1000.0f, SpaceMode::None);
  EXPECT_EQ(out[0], kMarker);
  EXPECT_EQ(out[1], kMarker);
  EXPECT_EQ(out[2], kMarker);
  EXPECT_EQ(out[3], kMarker);
  EXPECT_GT(out[4], 0.0);
  EXPECT_LT(out[4], 1e-30);
}

// LOWER_VALUE 0.01 and UPPER_VALUE 0.05 are held in single precision; the
// comparisons are strict against the widened limits.
TEST(KernelsRdg, ValueRangeAtTheSinglePrecisionLimits) {
  const std::vector<double> rho = {0.01, 0.05, double(0.01f), double(0.05f), 0.03, 0.0095};
  GridData g = line_grid(rho);
  const std::vector<double> grad(rho.size(), 0.0);
  std::vector<double> out = rdg(g, grad, rho, 1000.0f, 0.01f, 0.05f, SpaceMode::None);
  EXPECT_EQ(out, (std::vector<double>{0.0, 0.0, kMarker, kMarker, 0.0, kMarker}));
  // A rho*sign(lambda2)-like test grid: 0 at the border passes -0.05 < 0 < 0.05,
  // but a density of 0 is still excluded; a test value that is not a number fails.
  g = line_grid({0.0, 0.02, 0.02, 0.02});
  const std::vector<double> test = {0.0, 0.0, -0.02, std::nan("")};
  out = rdg(g, {0.0, 0.0, 0.0, 0.0}, test, 1000.0f, -0.05f, 0.05f, SpaceMode::None);
  EXPECT_EQ(out, (std::vector<double>{kMarker, 0.0, 0.0, kMarker}));
}

TEST(KernelsRdg, AtomCutoffIsStrictInSinglePrecision) {
  // One atom at the origin; the second point is 2.999 or exactly 3.0 away.
  for (const auto& [step, selected] : {std::pair{2.999f, true}, std::pair{3.0f, false}}) {
    GridData g = line_grid({1.0, 1.0}, step);
    g.atoms = {GridAtom{1, 1.0f, 0.0f, 0.0f, 0.0f}};
    g.natoms = 1;
    const std::vector<double> out = rdg(g, {0.0, 0.0}, {}, 3.0f, -1000.0f, 1000.0f, SpaceMode::Atom);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[1], selected ? 0.0 : kMarker) << step;
  }
  // Atoms are tried in list order, any one close enough selects the point; no atoms: none.
  GridData g = line_grid({1.0, 1.0, 1.0}, 10.0f);
  g.atoms = {GridAtom{1, 1.0f, 100.0f, 0.0f, 0.0f}, GridAtom{1, 1.0f, 20.5f, 0.0f, 0.0f}};
  EXPECT_EQ(rdg(g, {0, 0, 0}, {}, 1.0f, -1000.0f, 1000.0f, SpaceMode::Atom), (std::vector<double>{kMarker, kMarker, 0.0}));
  g.atoms.clear();
  EXPECT_EQ(rdg(g, {0, 0, 0}, {}, 1.0f, -1000.0f, 1000.0f, SpaceMode::Atom), std::vector<double>(3, kMarker));
}

TEST(KernelsRdg, ExteBoxOfTheAtoms) {
  // Atoms at x = 2 and x = 5, tolerance 1: 1 < x < 6 passes.
  GridData g = line_grid(std::vector<double>(13, 1.0), 0.5f, 0.5f);  // x = 0.5 ... 6.5
  g.atoms = {GridAtom{1, 1.0f, 2.0f, 0.0f, 0.0f}, GridAtom{1, 1.0f, 5.0f, 0.0f, 0.0f}};
  std::vector<double> out = rdg(g, std::vector<double>(13, 0.0), {}, 1.0f, -1000.0f, 1000.0f, SpaceMode::Exte);
  for (std::size_t i = 0; i < 13; ++i) {
    const float x = 0.5f + static_cast<float>(i) * 0.5f;
    EXPECT_EQ(out[i], (x > 1.0f && x < 6.0f) ? 0.0 : kMarker) << x;
  }
  // The y and z extents count too; with no atoms the box is [0, 0] widened by T.
  GridData g2 = make_grid(1, 3, 1, cubic_axes(1.0f), [](double, double, double) { return 1.0; });
  out = rdg(g2, {0, 0, 0}, {}, 1.5f, -1000.0f, 1000.0f, SpaceMode::Exte);
  EXPECT_EQ(out, (std::vector<double>{0.0, 0.0, kMarker}));
}

TEST(KernelsAbramov, EdgeValuesAndConstants) {
  const std::vector<double> rho = {1.0, 1.0, 2.0};
  const std::vector<double> grad = {0.0, 0.0, 2.0};
  const std::vector<double> lapl = {0.0, 6.0, 0.0};
  std::vector<double> g, v, h;
  abramov_calc(rho, grad, lapl, {}, g, v, h);
  EXPECT_EQ(g[0], 2.8712344140902517);
  EXPECT_EQ(v[0], -5.7424688281805034);
  EXPECT_EQ(h[0], -2.8712344140902517);
  // 1/6 in single precision times 6 is not 1.
  EXPECT_EQ(g[1], 0.1666666716337204 * 6 + 2.8712344140902517);
  EXPECT_NE(g[1], 1.0 + 2.8712344140902517);
  EXPECT_EQ(v[1], 1.5 - 2 * g[1]);
  EXPECT_EQ(h[1], g[1] + v[1]);
  // The gradient term: g^2 / rho, then 1/72 (single precision) applied.
  EXPECT_EQ(g[2], 2.8712344140902517 * std::pow(2.0, 1.6666666269302368) + 0.013888888992369175 * 2.0);
  EXPECT_NE(g[2], 2.8712344140902517 * std::pow(2.0, 5.0 / 3.0) + 2.0 / 72.0);
}

TEST(KernelsAbramov, MasksAndNonPositiveDensities) {
  const std::vector<double> rho = {1.0, 1.0, 1.0, 1.0, 0.0, -1.0};
  const std::vector<double> zeros(6, 0.0);
  const std::vector<double> mask = {5.0E9, 1.0E9, std::nan(""), 999999999.0, 0.5, 0.5};
  std::vector<double> g, v, h;
  abramov_calc(rho, zeros, zeros, mask, g, v, h);
  EXPECT_EQ(g, (std::vector<double>{0, 0, 0, 2.8712344140902517, 0, 0}));
  EXPECT_EQ(h, (std::vector<double>{0, 0, 0, -2.8712344140902517, 0, 0}));
  // Every-point mask: all points get values, and a density <= 0 gives 0, not NaN.
  abramov_calc(rho, zeros, zeros, {}, g, v, h);
  EXPECT_EQ(g, (std::vector<double>{2.8712344140902517, 2.8712344140902517, 2.8712344140902517,
                                    2.8712344140902517, 0, 0}));
  EXPECT_EQ(v[4], 0.0);
  EXPECT_EQ(h[5], 0.0);
}

}  // namespace
}  // namespace tessaro
