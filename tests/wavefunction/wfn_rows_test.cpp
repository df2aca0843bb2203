// The row evaluators: primitive values at chosen points, the contribution
// cutoff, and the optimised engine against a straightforward evaluation that
// follows the row algorithm literally, bit for bit, on real wavefunctions.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "wavefunction/wfn_rows.hpp"
#include "wfn_test_util.hpp"

using tessaro::PrimitivePoint;
using tessaro::WfnVar;
using tessaro::primitive_point;
using tessaro::primitive_value_point;

namespace {

// The literal row algorithm: one exponential per primitive and point, the row
// maximum over value and derivatives, the strict cutoff, orbitals in stored
// primitive order.
struct Reference {
  std::vector<double> psi, gx, gy, gz, d2;  // [m * n + k]
};

Reference reference_row(const WfnVar& v, bool full) {
  const tessaro::Wavefunction& w = v.wfn;
  const std::size_t n = v.n, np = v.np, nprims = static_cast<std::size_t>(w.nprims),
                    nmo = static_cast<std::size_t>(w.nmo);
  std::vector<PrimitivePoint> chi(nprims * n);
  std::vector<double> chimax(nprims, 0.0);
  for (std::size_t i = 0; i < nprims; ++i) {
    const std::size_t a = static_cast<std::size_t>(w.ict[i]) * np;
    for (std::size_t k = 0; k < n; ++k) {
      const double X = v.dx[a + k], Y = v.dy[a + k], Z = v.dz[a + k], R2 = v.r2[a + k];
      const double E = std::exp(-(R2 * w.exx[i]));
      PrimitivePoint p{};
      if (full)
        p = primitive_point(w.type[i], X, Y, Z, R2, E, w.sum[i], w.div[i]);
      else
        p.chi = primitive_value_point(w.type[i], X, Y, Z, E);
      chi[i * n + k] = p;
      for (double q : {p.chi, p.chix, p.chiy, p.chiz, p.chid2}) {
        if (!full && q != p.chi) continue;
        if (std::fabs(q) > chimax[i]) chimax[i] = std::fabs(q);
      }
    }
  }
  Reference r;
  for (auto* b : {&r.psi, &r.gx, &r.gy, &r.gz, &r.d2}) b->assign(nmo * n, 0.0);
  for (std::size_t m = 0; m < nmo; ++m) {
    for (std::size_t i = 0; i < nprims; ++i) {
      const double c = w.coefficient(i, m);
      if (!(std::fabs(chimax[i] * c) > tessaro::kContributionCutoff)) continue;
      for (std::size_t k = 0; k < n; ++k) {
        const PrimitivePoint& p = chi[i * n + k];
        r.psi[m * n + k] += c * p.chi;
        r.gx[m * n + k] += c * p.chix;
        r.gy[m * n + k] += c * p.chiy;
        r.gz[m * n + k] += c * p.chiz;
        r.d2[m * n + k] += c * p.chid2;
      }
    }
  }
  return r;
}

// Bits of two buffers for points 0..n-1 and orbitals 0..nmo-1; returns the
// number of differing values.
int differences(const std::vector<double>& engine, std::size_t np, const std::vector<double>& ref, std::size_t n,
                std::size_t nmo) {
  int diff = 0;
  for (std::size_t m = 0; m < nmo; ++m)
    for (std::size_t k = 0; k < n; ++k)
      if (std::bit_cast<std::uint64_t>(engine[m * np + k]) != std::bit_cast<std::uint64_t>(ref[m * n + k]) &&
          !(std::isnan(engine[m * np + k]) && std::isnan(ref[m * n + k])))
        ++diff;
  return diff;
}

// Every property of the row, one after the other (np values each).
std::vector<double> properties(WfnVar& v, bool full) {
  const std::size_t np = v.np;
  std::vector<double> out(np * (full ? 6 : 1), 0.0);
  tessaro::density_row(v, v, out.data());
  if (full) {
    tessaro::gradient_row(v, v, out.data() + np);
    tessaro::laplacian_row(v, v, out.data() + 2 * np);
    tessaro::energy_rows(v, v, out.data() + 3 * np, v.sumr4.data(), out.data() + 4 * np, out.data() + 5 * np);
  }
  return out;
}

// Rows through a box around the molecule (and through each nucleus), compared
// with the reference in both evaluators.
void compare_rows(const tessaro::Wavefunction& w, std::size_t points, const std::string& name) {
  double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
  for (std::size_t a = 0; a < static_cast<std::size_t>(w.ncent); ++a) {
    const double c[3] = {w.xc[a], w.yc[a], w.zc[a]};
    for (int d = 0; d < 3; ++d) lo[d] = std::min(lo[d], c[d] - 4.0), hi[d] = std::max(hi[d], c[d] + 4.0);
  }
  std::vector<std::pair<double, double>> rows;
  for (int j = 0; j < 5; ++j)
    for (int k = 0; k < 4; ++k) rows.push_back({lo[1] + (hi[1] - lo[1]) * j / 4.0, lo[2] + (hi[2] - lo[2]) * k / 3.0});
  for (std::size_t a = 0; a < static_cast<std::size_t>(w.ncent); ++a) rows.push_back({w.yc[a], w.zc[a]});
  for (bool full : {true, false}) {
    // v fills every orbital; u passes over the unoccupied ones, which must
    // leave every property unchanged to the bit.
    WfnVar v, u;
    v.wfn = w;
    u.wfn = w;
    v.skip_unoccupied = false;
    v.setup(points, full, true);
    u.setup(points, full, true);
    for (std::size_t i = 0; i < points; ++i) v.x1[i] = lo[0] + (hi[0] - lo[0]) * static_cast<double>(i) / (points - 1.0);
    u.x1 = v.x1;
    int checked = 0;
    for (const auto& [y, z] : rows) {
      for (std::size_t i = 0; i < points; ++i) v.x2[i] = u.x2[i] = y, v.x3[i] = u.x3[i] = z;
      v.update_geometry(v.wfn);
      u.update_geometry(u.wfn);
      if (full)
        tessaro::moderiv_calc(v, v), tessaro::moderiv_calc(u, u);
      else
        tessaro::rho_calc(v, v), tessaro::rho_calc(u, u);
      EXPECT_EQ(differences(properties(v, full), 1, properties(u, full), 1, v.np * (full ? 6 : 1)), 0)
          << name << " properties y " << y << " z " << z;
      const Reference r = reference_row(v, full);
      const std::size_t nmo = static_cast<std::size_t>(w.nmo);
      EXPECT_EQ(differences(v.psi, v.np, r.psi, points, nmo), 0) << name << " psi y " << y << " z " << z;
      if (full) {
        EXPECT_EQ(differences(v.gx, v.np, r.gx, points, nmo), 0) << name << " gx y " << y << " z " << z;
        EXPECT_EQ(differences(v.gy, v.np, r.gy, points, nmo), 0) << name << " gy";
        EXPECT_EQ(differences(v.gz, v.np, r.gz, points, nmo), 0) << name << " gz";
        EXPECT_EQ(differences(v.d2, v.np, r.d2, points, nmo), 0) << name << " d2";
      }
      ++checked;
    }
    EXPECT_GT(checked, 20);
  }
}

}  // namespace

TEST(WfnRowsPrimitive, ValuesAtAndOffTheCentre) {
  // On the centre, alpha = 1.5: S = -3, D = -1/3.
  const double S = -3.0, D = 1.0 / S;
  PrimitivePoint s = primitive_point(1, 0, 0, 0, 0, 1.0, S, D);
  EXPECT_EQ(s.chi, 1.0);
  EXPECT_EQ(s.chix, 0.0);
  EXPECT_EQ(s.chid2, 3 * S);
  PrimitivePoint px = primitive_point(2, 0, 0, 0, 0, 1.0, S, D);
  EXPECT_EQ(px.chi, 0.0);
  EXPECT_EQ(px.chix, 1.0);
  EXPECT_EQ(px.chiy, 0.0);
  EXPECT_EQ(px.chiz, 0.0);
  EXPECT_EQ(px.chid2, 0.0);
  PrimitivePoint dxx = primitive_point(5, 0, 0, 0, 0, 1.0, S, D);
  EXPECT_EQ(dxx.chi, 0.0);
  EXPECT_EQ(dxx.chix, 0.0);
  EXPECT_EQ(dxx.chid2, 2.0);
  // s with alpha 0.5 at X = 1.
  const double e = std::exp(-0.5);
  s = primitive_point(1, 1, 0, 0, 1, e, -1.0, -1.0);
  EXPECT_EQ(s.chi, e);
  EXPECT_EQ(s.chix, -e);
  EXPECT_EQ(s.chid2, -2 * e);
  EXPECT_EQ(primitive_value_point(1, 1, 0, 0, e), e);
  // px with alpha 1 at (1, 2, 0).
  const double e5 = std::exp(-5.0);
  px = primitive_point(2, 1, 2, 0, 5, e5, -2.0, -0.5);
  EXPECT_EQ(px.chi, e5);
  EXPECT_EQ(px.chix, -e5);
  EXPECT_EQ(px.chiy, -4 * e5);
  EXPECT_EQ(px.chid2, 10 * e5);
}

TEST(WfnRowsPrimitive, EveryTypeMatchesNumericalDerivatives) {
  // Central differences of the value against the analytic gradient and
  // Laplacian, for every type (s to h) at an off-centre point.
  const double alpha = 0.7, S = -2 * alpha, D = 1 / S, h = 1e-4;
  auto value = [&](int t, double x, double y, double z) {
    const double r2 = x * x + y * y + z * z;
    return primitive_point(t, x, y, z, r2, std::exp(-(r2 * alpha)), S, D).chi;
  };
  const double x = 0.31, y = -0.47, z = 0.62;
  for (int t = 1; t <= tessaro::kMaxPrimitiveType; ++t) {
    const double r2 = x * x + y * y + z * z;
    const PrimitivePoint p = primitive_point(t, x, y, z, r2, std::exp(-(r2 * alpha)), S, D);
    EXPECT_NEAR(p.chi, primitive_value_point(t, x, y, z, std::exp(-(r2 * alpha))), 1e-15) << t;
    const double c = value(t, x, y, z);
    const double ddx = (value(t, x + h, y, z) - value(t, x - h, y, z)) / (2 * h);
    const double ddy = (value(t, x, y + h, z) - value(t, x, y - h, z)) / (2 * h);
    const double ddz = (value(t, x, y, z + h) - value(t, x, y, z - h)) / (2 * h);
    const double lap = (value(t, x + h, y, z) + value(t, x - h, y, z) + value(t, x, y + h, z) +
                        value(t, x, y - h, z) + value(t, x, y, z + h) + value(t, x, y, z - h) - 6 * c) /
                       (h * h);
    EXPECT_NEAR(p.chix, ddx, 1e-7) << t;
    EXPECT_NEAR(p.chiy, ddy, 1e-7) << t;
    EXPECT_NEAR(p.chiz, ddz, 1e-7) << t;
    EXPECT_NEAR(p.chid2, lap, 1e-5) << t;
  }
}

TEST(WfnRowsCutoff, EqualityLeavesOutAndZeroCoefficientNeverCounts) {
  // One s primitive with alpha 1 on the centre; the single point sits on it,
  // so chimax = max(1, 6) = 6 (the Laplacian) in moderiv_calc and 1 in rho_calc.
  for (bool full : {true, false}) {
    const double chimax = full ? 6.0 : 1.0;
    wfn_test::WfnContent s = wfn_test::simple_content({1, 1});
    s.occ = {2.0, 2.0, 2.0};
    s.coef = {{1.0e-10 / chimax, 1.0}, {std::nextafter(1.0e-10 / chimax, 1.0), 0.0}, {0.0, 0.0}};
    WfnVar v;
    v.skip_unoccupied = false;
    v.wfn = wfn_test::read_text(wfn_test::wfn_text(s));
    // The coefficients are read back from E16.8: recompute the boundary from
    // the stored ones.
    v.wfn.coo[0] = 1.0e-10 / chimax;
    v.wfn.coo[2] = std::nextafter(1.0e-10 / chimax, 1.0);
    ASSERT_EQ(std::fabs(chimax * v.wfn.coo[0]), 1.0e-10);
    ASSERT_GT(std::fabs(chimax * v.wfn.coo[2]), 1.0e-10);
    v.setup(1, full, false);
    v.update_geometry(v.wfn);
    full ? tessaro::moderiv_calc(v, v) : tessaro::rho_calc(v, v);
    EXPECT_EQ(v.psi[0 * v.np], std::exp(-0.0) * 1.0) << "orbital 1: primitive 1 at the cutoff is left out";
    EXPECT_EQ(v.psi[1 * v.np], v.wfn.coo[2]) << "orbital 2: just above the cutoff counts";
    EXPECT_EQ(std::bit_cast<std::uint64_t>(v.psi[2 * v.np]), 0u) << "orbital 3: all zero gives +0";
    if (full) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(v.d2[2 * v.np]), 0u);
    }
  }
}

TEST(WfnRowsCutoff, ExpUnderflowThresholdIsExact) {
  // The engine skips exp() below this argument because the result is 0 there.
  EXPECT_EQ(std::exp(tessaro::kExpZeroBelow), 0.0);
  EXPECT_EQ(std::exp(-745.1332191019412), 0.0);
  EXPECT_GT(std::exp(-745.13321910194), 0.0);
}

TEST(WfnRowsEngine, BitIdenticalToReferenceOnSmallFile) {
  wfn_test::WfnContent s;
  s.centres = {{0.0, 0.0, 0.0, 6.0}, {1.4, 0.3, -0.2, 1.0}};
  // Every type, a tight and a diffuse exponent, a shell shared by several types.
  for (int t = 1; t <= tessaro::kMaxPrimitiveType; ++t) {
    s.type.push_back(t), s.ict.push_back(1), s.exps.push_back(0.8);
    s.type.push_back(t), s.ict.push_back(2), s.exps.push_back(t % 3 == 0 ? 4000.0 : 0.05 * t);
  }
  s.occ = {2.0, 1.0, 0.5, -0.25, 0.0};
  s.coef.assign(5, {});
  for (std::size_t m = 0; m < 5; ++m)
    for (std::size_t k = 0; k < s.type.size(); ++k)
      s.coef[m].push_back((k * 7 + m * 3) % 5 == 0 ? 0.0 : std::sin(1.0 + k + 10.0 * m) * std::pow(10.0, -static_cast<double>(k % 9)));
  compare_rows(wfn_test::read_text(wfn_test::wfn_text(s)), 13, "synthetic");
}

TEST(WfnRowsEngine, BitIdenticalToReferenceOnRealFiles) {
  compare_rows(wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn"), 21, "water_dimer");
  compare_rows(wfn_test::read_path(wfn_test::test_data() + "/formic_dimer.wfn"), 17, "formic_dimer");
  // g and h functions, whose row bounds reach r^7.
  compare_rows(wfn_test::read_path(wfn_test::test_data() + "/gh_wfn/water5z.wfn"), 13, "water5z");
  compare_rows(wfn_test::read_path(wfn_test::test_data() + "/gh_wfn/h2o_qz.wfx", tessaro::read_wavefunction_file), 13,
               "h2o_qz.wfx");
}

TEST(WfnRowsEngine, SharedDataBitIdenticalToReference) {
  const std::filesystem::path root(wfn_test::shared_data());
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "shared data not found at " << root;
  for (const char* f : {"wfn_external/h2o_mrci_molpro.wfn", "wfn_external/o2_uhf.wfn",
                        "wfn_external/lif_fci.wfn", "wfn_external/h2_ccpvqz.wfn",
                        "wfn_external/lih_cation_cisd.wfn", "wfn_external/lih_cation_uhf.wfn",
                        "wfn_external/gaussian_acetylene.wfn", "wfn_external/h2o_sto3g.wfn"})
    compare_rows(wfn_test::read_path((root / f).string()), 17, f);
}

TEST(WfnRowsEngine, NonFiniteValuesTakeTheTermByTermPath) {
  // A point at 1e200 bohr makes R2 infinite: the Laplacian there is inf x 0,
  // not a number, which the row maximum ignores but the sums carry.
  WfnVar v;
  v.wfn = wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn");
  v.skip_unoccupied = false;
  v.setup(6, true, false);
  for (std::size_t i = 0; i < 6; ++i) v.x1[i] = -3.0 + i, v.x2[i] = 0.1, v.x3[i] = 0.2;
  v.x1[5] = 1e200;
  v.update_geometry(v.wfn);
  tessaro::moderiv_calc(v, v);
  const Reference r = reference_row(v, true);
  EXPECT_TRUE(std::isnan(r.d2[5]));
  EXPECT_EQ(differences(v.psi, v.np, r.psi, 6, 10), 0);
  EXPECT_EQ(differences(v.gx, v.np, r.gx, 6, 10), 0);
  EXPECT_EQ(differences(v.d2, v.np, r.d2, 6, 10), 0);
  EXPECT_FALSE(std::isnan(v.d2[4]));
}

TEST(WfnRowsEngine, EmptyRowAndNoOrbitalContribution) {
  // A row far from the molecule: every orbital buffer is exactly +0.
  WfnVar v;
  v.wfn = wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn");
  v.setup(9, true, false);
  for (std::size_t i = 0; i < 9; ++i) v.x1[i] = 500.0 + i, v.x2[i] = 300.0, v.x3[i] = -200.0;
  v.update_geometry(v.wfn);
  tessaro::moderiv_calc(v, v);
  for (const auto* b : {&v.psi, &v.gx, &v.gy, &v.gz, &v.d2})
    for (std::size_t m = 0; m < 10; ++m)
      for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(std::bit_cast<std::uint64_t>((*b)[m * v.np + k]), 0u);
  std::vector<double> out(v.np, -1.0);
  tessaro::density_row(v, v, out.data());
  EXPECT_EQ(out[0], 0.0);
}

TEST(WfnRowsProperties, OneSOrbitalDensityAndGradient) {
  // psi = exp(-alpha r^2), occupation 2: rho = 2 exp(-2 alpha r^2),
  // |grad rho| = 8 alpha r exp(-2 alpha r^2).
  const double alpha = 0.75;
  WfnVar v;
  v.wfn = wfn_test::read_text(wfn_test::wfn_text(wfn_test::simple_content({1}, {alpha})));
  v.setup(5, true, true);
  for (std::size_t i = 0; i < 5; ++i) v.x1[i] = 0.3 * static_cast<double>(i), v.x2[i] = 0.2, v.x3[i] = -0.1;
  v.update_geometry(v.wfn);
  tessaro::moderiv_calc(v, v);
  std::vector<double> rho(v.np), grad(v.np), lap(v.np), g(v.np), l2(v.np), pot(v.np), tot(v.np);
  tessaro::density_row(v, v, rho.data());
  tessaro::gradient_row(v, v, grad.data());
  tessaro::laplacian_row(v, v, lap.data());
  tessaro::energy_rows(v, v, g.data(), l2.data(), pot.data(), tot.data());
  for (std::size_t i = 0; i < 5; ++i) {
    const double r2 = v.r2[i], r = std::sqrt(r2), e2 = std::exp(-2 * alpha * r2);
    EXPECT_NEAR(rho[i], 2 * e2, 1e-15) << i;
    EXPECT_NEAR(grad[i], 8 * alpha * r * e2, 1e-14) << i;
    // Laplacian of 2 exp(-2 a r^2) = 2 (16 a^2 r^2 - 12 a) exp(-2 a r^2)
    EXPECT_NEAR(lap[i], 2 * (16 * alpha * alpha * r2 - 12 * alpha) * e2, 1e-13) << i;
    EXPECT_EQ(l2[i], lap[i]) << "the Laplacian of the energy rows is the Laplacian row";
    EXPECT_GE(g[i], 0.0);
    EXPECT_EQ(pot[i], 0.25 * lap[i] - (g[i] + g[i]));
    EXPECT_EQ(tot[i], pot[i] + g[i]);
  }
}
