// The WFN section driver: box geometry in single precision, the files of each
// switch combination, the cube text, the memory guard, a file of more than
// 1000 primitives, and physics checks on small grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "grid/grid_files.hpp"
#include "report/output_writing.hpp"
#include "run/output_names.hpp"
#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/folder_run.hpp"
#include "wavefunction/electron_count.hpp"
#include "wavefunction/wfn_box.hpp"
#include "wavefunction/wfn_prop.hpp"
#include "wfn_test_util.hpp"

using tessaro::InputVariables;
using tessaro::WfnBox;
using tessaro::WfnGrids;
using tessaro::WfnSwitches;
using tessaro::WfnVar;
using tessaro::testing::FolderRun;
using tessaro::testing::read_file;
using tessaro::testing::write_file;

namespace {

void set_box(InputVariables& iv, std::array<float, 3> centre, std::array<int, 3> n, std::array<float, 3> step) {
  iv.centre_wfn = centre;
  iv.n_puntix = n[0];
  iv.n_puntiy = n[1];
  iv.n_puntiz = n[2];
  for (std::size_t a = 0; a < 3; ++a) iv.orient_matr[a][a] = step[a];
}

std::string padded(const std::string& s, std::size_t width) { return s + std::string(width - s.size(), ' '); }

// Evaluates a box of a wavefunction without writing files.
WfnGrids evaluate(const tessaro::Wavefunction& w, const InputVariables& iv, WfnVar* keep = nullptr) {
  WfnVar v;
  v.wfn = w;
  WfnGrids g;
  tessaro::wfn_evaluate_box(v, tessaro::wfn_box(iv), tessaro::wfn_switches(iv), g);
  if (keep) *keep = std::move(v);
  return g;
}

}  // namespace

TEST(WfnPropBox, OriginAndXRowInSinglePrecision) {
  InputVariables iv;
  set_box(iv, {1.0f, 0.0f, 0.0f}, {4, 1, 1}, {0.5f, 1.0f, 1.0f});
  WfnBox box = tessaro::wfn_box(iv);
  EXPECT_EQ(box.origin[0], 0.25f);
  WfnVar v;
  v.wfn = wfn_test::read_text(wfn_test::wfn_text(wfn_test::simple_content({1})));
  iv.wfn_risp = {1, 0, 0, 0};
  WfnGrids g = evaluate(v.wfn, iv, &v);
  EXPECT_EQ(v.x1[0], 0.25);
  EXPECT_EQ(v.x1[1], 0.75);
  EXPECT_EQ(v.x1[2], 1.25);
  EXPECT_EQ(v.x1[3], 1.75);
  EXPECT_EQ(g.rho_array_wfn.size(), 4u);

  // Boxes whose origin moves by one single-precision step when the
  // intermediates are kept in double precision.
  int discriminating = 0;
  for (int n = 2; n < 300; n += 7)
    for (float step : {0.11f, 0.13f, 0.17f, 0.3f})
      for (float c : {0.1f, 0.7f, -1.3f, 2.3f}) {
        set_box(iv, {c, c, c}, {n, n, n}, {step, step, step});
        box = tessaro::wfn_box(iv);
        const double in_double = c - ((n - 1.0) * 0.5) * step;
        if (static_cast<float>(in_double) != box.origin[0]) ++discriminating;
        const float count = static_cast<float>(n);
        EXPECT_EQ(box.origin[0], c - ((count - 1.0f) * 0.5f) * step);
      }
  EXPECT_GE(discriminating, 1);
  // y and z advance by repeated addition of the widened step, y from the
  // origin again in every plane. A step below half a unit in the last place
  // of y leaves y where it is; the origin plus a multiple of the step would
  // move on.
  set_box(iv, {0.3f, 1.0f, -0.9f}, {1, 40, 3}, {0.1f, 1.0e-17f, 0.17f});
  box = tessaro::wfn_box(iv);
  const tessaro::WfnRowPositions at = tessaro::wfn_row_positions(box);
  ASSERT_EQ(at.y.size(), 40u);
  ASSERT_EQ(at.z.size(), 3u);
  const double sy = 1.0e-17f, sz = 0.17f;
  EXPECT_EQ(at.z[0], static_cast<double>(box.origin[2]));
  EXPECT_EQ(at.z[2], (static_cast<double>(box.origin[2]) + sz) + sz);
  int multiples = 0;
  double y = box.origin[1];
  for (std::size_t j = 0; j < at.y.size(); ++j, y = y + sy) {
    EXPECT_EQ(at.y[j], y) << j;
    if (at.y[j] != box.origin[1] + static_cast<double>(j) * sy) ++multiples;
  }
  EXPECT_GE(multiples, 1);
}

TEST(WfnPropFiles, EverySwitchCombinationWritesItsFilesOnly) {
  const std::string wfn =
      wfn_test::wfn_text(wfn_test::normalised(wfn_test::simple_content({1, 2, 5}, {1.0, 0.5, 0.25})));
  for (int mask = 0; mask < 16; ++mask) {
    FolderRun t;
    write_file("m.wfn", wfn);
    InputVariables& iv = t.run.input_variables;
    iv.wfn_inpname = padded("m.wfn", 33);
    iv.wfn_outname = padded("out", 33);
    iv.wfn_risp = {mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1};
    set_box(iv, {0, 0, 0}, {3, 2, 2}, {0.4f, 0.4f, 0.4f});
    tessaro::wfn_prop(t.run);
    std::set<std::string> expected = {"m.wfn", "report.txt"};
    if (mask & 1) expected.insert("out_rho.cube");
    if (mask & 2) expected.insert(std::string("out") + std::string(tessaro::wfn_output::kGradient));
    if (mask & 4) expected.insert("out_laplrho.cube");
    if (mask & 8) {
      expected.insert("out_G.cube");
      expected.insert("out_V.cube");
      expected.insert("out_H.cube");
    }
    EXPECT_EQ(t.folder.names(), expected) << "mask " << mask;
    EXPECT_EQ(t.report(), "") << "mask " << mask;
  }
}

TEST(WfnPropFiles, UnreadableOrRejectedWavefunctionEndsWithOneReportLine) {
  struct Case {
    std::string name;
    enum { Absent, Folder, Rejected } kind;
    std::string report;
  };
  const Case cases[] = {
      {"absent.wfn", Case::Absent, " absent.wfn                        file cannot be opened, program stop\n"},
      // A folder opens as a stream on some systems but holds no lines.
      {"dir.wfn", Case::Folder, " dir.wfn                           file cannot be opened, program stop\n"},
      {"i.wfn", Case::Rejected,
       " i.wfn line 5: primitive 2 has type 57, outside 1-56 (s to h primitives are supported), program stop\n"},
  };
  for (const Case& c : cases) {
    FolderRun t;
    if (c.kind == Case::Folder) std::filesystem::create_directory(c.name);
    if (c.kind == Case::Rejected) write_file(c.name, wfn_test::wfn_text(wfn_test::simple_content({1, 57})));
    InputVariables& iv = t.run.input_variables;
    iv.wfn_inpname = padded(c.name, 33);
    iv.wfn_outname = padded("out", 33);
    iv.wfn_risp = {1, 0, 0, 0};
    set_box(iv, {0, 0, 0}, {2, 2, 2}, {0.4f, 0.4f, 0.4f});
    try {
      tessaro::wfn_prop(t.run);
      ADD_FAILURE() << c.name << " read";
    } catch (const tessaro::RunEnd& e) {
      EXPECT_EQ(e.status, 1) << c.name;
    }
    EXPECT_EQ(t.report(), c.report);
    EXPECT_EQ(t.console.str(), "") << c.name;
    EXPECT_FALSE(std::filesystem::exists("out_rho.cube")) << c.name;
  }
}

TEST(WfnPropFiles, SinglePointCubeText) {
  wfn_test::WfnContent s = wfn_test::simple_content({1});
  s.centres[0].charge = 0.9;  // atomic number 0
  FolderRun t;
  write_file("one.wfn", wfn_test::wfn_text(s));
  InputVariables& iv = t.run.input_variables;
  iv.wfn_inpname = padded("one.wfn", 33);
  iv.wfn_outname = padded("p", 33);
  iv.wfn_risp = {1, 0, 0, 0};
  set_box(iv, {0.5f, -0.25f, 1.0f}, {1, 1, 1}, {0.2f, 0.3f, 0.4f});
  tessaro::wfn_prop(t.run);
  // The single point is CENTER: rho = (2 E) E with E = exp(-1.3125).
  const std::string blank(60, ' ');
  EXPECT_EQ(read_file("p_rho.cube"), blank + "\n" + blank + "\n" +
                                      "    1    0.500000   -0.250000    1.000000\n"
                                      "    1    0.200000    0.000000    0.000000\n"
                                      "    1    0.000000    0.300000    0.000000\n"
                                      "    1    0.000000    0.000000    0.400000\n"
                                      "    0    0.900000    0.000000    0.000000    0.000000\n"
                                      "  1.44880E-01\n");
}

TEST(WfnPropFiles, ValuesInCubeOrderAndDensitySources) {
  // rho alone uses rho_calc; rho with lap takes the density from moderiv_calc.
  const tessaro::Wavefunction w = wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn");
  InputVariables iv;
  set_box(iv, {0.0f, 0.0f, 0.0f}, {5, 4, 3}, {0.7f, 0.6f, 0.5f});
  iv.wfn_risp = {1, 0, 0, 0};
  const WfnGrids alone = evaluate(w, iv);
  iv.wfn_risp = {1, 0, 1, 0};
  const WfnGrids with_lap = evaluate(w, iv);
  ASSERT_EQ(alone.rho_array_wfn.size(), 60u);
  for (std::size_t p = 0; p < 60; ++p)
    EXPECT_NEAR(alone.rho_array_wfn[p], with_lap.rho_array_wfn[p], 1e-9);
  // Row (j, k) = (2, 1) (0-based) evaluated on its own: the grid holds it at
  // i + NX (j + NY k).
  const WfnBox box = tessaro::wfn_box(iv);
  WfnVar v;
  v.wfn = w;
  v.setup(5, true, false);
  for (std::size_t i = 0; i < 5; ++i) {
    v.x1[i] = static_cast<float>(i) * 0.7f + box.origin[0];
    v.x2[i] = static_cast<double>(box.origin[1]) + 0.6f + 0.6f;
    v.x3[i] = static_cast<double>(box.origin[2]) + 0.5f;
  }
  v.update_geometry(v.wfn);
  tessaro::moderiv_calc(v, v);
  std::vector<double> rho(v.np);
  tessaro::density_row(v, v, rho.data());
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(with_lap.rho_array_wfn[i + 5 * (2 + 4 * 1)], rho[i]) << i;
}

TEST(WfnPropGuard, TooLargeBoxEndsBeforeAllocating) {
  FolderRun t;
  write_file("m.wfn", wfn_test::wfn_text(wfn_test::simple_content({1})));
  InputVariables& iv = t.run.input_variables;
  iv.wfn_inpname = padded("m.wfn", 33);
  iv.wfn_outname = padded("big", 33);
  iv.wfn_risp = {1, 1, 1, 1};
  set_box(iv, {0, 0, 0}, {2000000, 2000000, 2000000}, {0.1f, 0.1f, 0.1f});
  EXPECT_THROW(tessaro::wfn_prop(t.run), std::bad_alloc);
  EXPECT_FALSE(std::filesystem::exists("big_rho.cube"));
}

TEST(WfnPropGuard, NonPositiveCountsAndUnwritableOutput) {
  FolderRun t;
  write_file("m.wfn", wfn_test::wfn_text(wfn_test::normalised(wfn_test::simple_content({1}))));
  InputVariables& iv = t.run.input_variables;
  iv.wfn_inpname = padded("m.wfn", 33);
  iv.wfn_outname = padded("e", 33);
  iv.wfn_risp = {1, 1, 0, 0};
  set_box(iv, {0, 0, 0}, {0, 3, -2}, {0.1f, 0.1f, 0.1f});
  tessaro::wfn_prop(t.run);
  EXPECT_NE(read_file("e_rho.cube").find("\n    0    0.100000    0.000000    0.000000\n"), std::string::npos);
  EXPECT_EQ(t.report(), "");
  // An output name in a folder that does not exist.
  iv.wfn_outname = padded("no/such/dir/x", 33);
  set_box(iv, {0, 0, 0}, {2, 2, 2}, {0.1f, 0.1f, 0.1f});
  try {
    tessaro::wfn_prop(t.run);
    ADD_FAILURE() << "an output file that cannot be created must end the run";
  } catch (const tessaro::RunEnd& e) {
    EXPECT_EQ(e.status, 1);
  }
  EXPECT_EQ(t.report(), " no/such/dir/x_rho.cube file cannot be opened, program stop\n");
}

TEST(WfnPropLarge, MoreThanThousandPrimitivesFromARepeatedMolecule) {
  // Fourteen water dimers 40 bohr apart: 1008 primitives, 140 orbitals, the
  // header counts wider than three columns.
  const tessaro::Wavefunction one = wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn");
  auto repeated = [&](int copies) {
    wfn_test::WfnContent s;
    s.count_width = 6;
    const std::size_t np = static_cast<std::size_t>(one.nprims), nmo = static_cast<std::size_t>(one.nmo);
    for (int c = 0; c < copies; ++c) {
      for (std::size_t a = 0; a < static_cast<std::size_t>(one.ncent); ++a)
        s.centres.push_back({one.xc[a] + 40.0 * c, one.yc[a], one.zc[a], one.charg[a]});
      for (std::size_t i = 0; i < np; ++i) {
        s.ict.push_back(one.ict[i] + 1 + c * one.ncent);
        s.type.push_back(one.type[i]);
        s.exps.push_back(one.exx[i]);
      }
    }
    for (int c = 0; c < copies; ++c)
      for (std::size_t m = 0; m < nmo; ++m) {
        s.occ.push_back(one.po[m]);
        std::vector<double> row(np * static_cast<std::size_t>(copies), 0.0);
        for (std::size_t i = 0; i < np; ++i) row[static_cast<std::size_t>(c) * np + i] = one.coefficient(i, m);
        s.coef.push_back(row);
      }
    return wfn_test::read_text(wfn_test::wfn_text(s), "big.wfn");
  };
  // The single molecule written the same way, so both carry the same digits.
  const tessaro::Wavefunction single = repeated(1);
  const tessaro::Wavefunction big = repeated(14);
  ASSERT_EQ(big.nprims, 1008);
  ASSERT_EQ(big.nmo, 140);
  ASSERT_EQ(big.ncent, 84);
  // Around copy 0 the other copies contribute nothing: the same numbers to the
  // bit. Around copy 7 (280 bohr along x, on a box whose points are exact in
  // single precision) the same density up to the rounding of the shifted
  // coordinates.
  InputVariables iv;
  iv.wfn_risp = {1, 1, 0, 0};
  set_box(iv, {0.0f, 0.0f, 0.0f}, {9, 5, 3}, {0.5f, 0.5f, 0.5f});
  const WfnGrids ref = evaluate(single, iv);
  const WfnGrids at0 = evaluate(big, iv);
  EXPECT_EQ(at0.rho_array_wfn, ref.rho_array_wfn);
  EXPECT_EQ(at0.grad_array_wfn, ref.grad_array_wfn);
  iv.centre_wfn[0] = 280.0f;
  const WfnGrids at7 = evaluate(big, iv);
  for (std::size_t p = 0; p < ref.rho_array_wfn.size(); ++p)
    EXPECT_NEAR(at7.rho_array_wfn[p], ref.rho_array_wfn[p], 1e-10 * ref.rho_array_wfn[p]) << p;
}

TEST(WfnPropPhysics, SharedDataH2DensityIntegratesToElectronCount) {
  const std::filesystem::path path = std::filesystem::path(wfn_test::shared_data()) / "wfn_external/h2_ccpvqz.wfn";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "shared data not found: " << path;
  const tessaro::Wavefunction w = wfn_test::read_path(path.string());
  double electrons = 0;
  for (double p : w.po) electrons += p;
  InputVariables iv;
  iv.wfn_risp = {1, 0, 0, 0};
  const float cx = static_cast<float>((w.xc[0] + w.xc[1]) / 2);
  set_box(iv, {cx, 0.0f, 0.0f}, {101, 101, 101}, {0.1f, 0.1f, 0.1f});
  const WfnGrids g = evaluate(w, iv);
  double total = 0;
  for (double r : g.rho_array_wfn) total += r;
  total *= 0.1f * 0.1f * 0.1f;
  EXPECT_NEAR(total, electrons, 0.005 * electrons);
}

namespace {

tessaro::Wavefunction read_any(const std::string& path) {
  return wfn_test::read_path(path, tessaro::read_wavefunction_file);
}

// The water dimer with two core-density functions on its first oxygen.
tessaro::Wavefunction with_core_density(tessaro::Wavefunction w) {
  w.edf_ict = {0, 0};
  w.edf_type = {1, 1};
  w.edf_exx = {30.0, 4.0};
  w.edf_coef = {10.0, -0.5};
  return w;
}

}  // namespace

TEST(WfnPropPhysics, EnergyDensitiesAndNumericalDerivatives) {
  // A small box fine enough for central differences: around the water
  // dimer's hydrogen bond, and near the oxygen of the waters with h and g
  // functions and of the dimer with core densities. Steep densities need
  // a finer step, and points whose single-precision coordinates are exact
  // (a step of 2^-8 from a centre of few binary digits), so that the
  // differences see no rounding of the positions.
  const std::string dir = wfn_test::test_data();
  const float fine = 0.00390625f;
  const struct {
    const char* name;
    tessaro::Wavefunction w;
    std::array<float, 3> centre;
    float h;
  } cases[] = {
      {"water dimer", wfn_test::read_path(dir + "/water_dimer.wfn"), {-0.8f, 0.1f, 0.05f}, 0.01f},
      {"water5z (h)", read_any(dir + "/gh_wfn/water5z.wfn"), {-1.125f, 0.375f, 0.125f}, fine},
      {"h2o_qz.wfx (g)", read_any(dir + "/gh_wfn/h2o_qz.wfx"), {-1.5f, 0.5f, -0.25f}, fine},
      {"core densities",
       with_core_density(wfn_test::read_path(dir + "/water_dimer.wfn")),
       {-3.25f, -0.125f, 0.25f},
       fine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InputVariables iv;
    iv.wfn_risp = {1, 1, 1, 1};
    const float h = c.h;
    set_box(iv, c.centre, {7, 7, 7}, {h, h, h});
    const WfnGrids g = evaluate(c.w, iv);
    const std::size_t n = 7;
    auto at = [&](const std::vector<double>& a, std::size_t i, std::size_t j, std::size_t k) {
      return a[i + n * (j + n * k)];
    };
    for (std::size_t p = 0; p < g.g_array_wfn.size(); ++p) {
      EXPECT_GE(g.g_array_wfn[p], 0.0);
      // V = L/4 - 2G with the same Laplacian the Laplacian grid holds: where
      // L = 0 this is V = -2G.
      EXPECT_EQ(g.v_array_wfn[p], 0.25 * g.lapl_array_wfn[p] - (g.g_array_wfn[p] + g.g_array_wfn[p]));
      EXPECT_EQ(g.h_array_wfn[p], g.v_array_wfn[p] + g.g_array_wfn[p]);
    }
    const double hd = static_cast<double>(h);
    for (std::size_t k = 1; k + 1 < n; ++k)
      for (std::size_t j = 1; j + 1 < n; ++j)
        for (std::size_t i = 1; i + 1 < n; ++i) {
          const auto& r = g.rho_array_wfn;
          const double gx = (at(r, i + 1, j, k) - at(r, i - 1, j, k)) / (2 * hd);
          const double gy = (at(r, i, j + 1, k) - at(r, i, j - 1, k)) / (2 * hd);
          const double gz = (at(r, i, j, k + 1) - at(r, i, j, k - 1)) / (2 * hd);
          const double lap = (at(r, i + 1, j, k) + at(r, i - 1, j, k) + at(r, i, j + 1, k) + at(r, i, j - 1, k) +
                              at(r, i, j, k + 1) + at(r, i, j, k - 1) - 6 * at(r, i, j, k)) /
                             (hd * hd);
          const double grad = at(g.grad_array_wfn, i, j, k), lapl = at(g.lapl_array_wfn, i, j, k);
          EXPECT_NEAR(std::sqrt(gx * gx + gy * gy + gz * gz), grad, 1e-3 * grad + 1e-8);
          EXPECT_NEAR(lap, lapl, 2e-3 * std::fabs(lapl) + 1e-4);
        }
  }
}

TEST(WfnPropPhysics, CoreDensitiesAddToRhoAndLaplacianButNotToG) {
  // rho and its Laplacian grow by sum c exp(-a r^2) and
  // sum c (4 a^2 r^2 - 6 a) exp(-a r^2) around the oxygen; G stays as it was.
  const tessaro::Wavefunction plain = wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn");
  const tessaro::Wavefunction core = with_core_density(plain);
  InputVariables iv;
  iv.wfn_risp = {1, 0, 1, 1};
  set_box(iv, {-2.9f, -0.2f, 0.0f}, {5, 4, 3}, {0.1f, 0.1f, 0.1f});
  const WfnGrids a = evaluate(plain, iv), b = evaluate(core, iv);
  EXPECT_EQ(a.g_array_wfn, b.g_array_wfn);
  const WfnBox box = tessaro::wfn_box(iv);
  const tessaro::WfnRowPositions at = tessaro::wfn_row_positions(box);
  for (std::size_t k = 0; k < 3; ++k)
    for (std::size_t j = 0; j < 4; ++j)
      for (std::size_t i = 0; i < 5; ++i) {
        const double x = static_cast<float>(i) * 0.1f + box.origin[0] - plain.xc[0], y = at.y[j] - plain.yc[0],
                     z = at.z[k] - plain.zc[0], r2 = x * x + y * y + z * z;
        double rho = 0, lap = 0;
        for (std::size_t e = 0; e < 2; ++e) {
          const double al = core.edf_exx[e], c = core.edf_coef[e] * std::exp(-al * r2);
          rho += c;
          lap += c * (4 * al * al * r2 - 6 * al);
        }
        const std::size_t p = i + 5 * (j + 4 * k);
        EXPECT_NEAR(b.rho_array_wfn[p] - a.rho_array_wfn[p], rho, 1e-12 * std::fabs(b.rho_array_wfn[p]));
        EXPECT_NEAR(b.lapl_array_wfn[p] - a.lapl_array_wfn[p], lap, 1e-11 * std::fabs(b.lapl_array_wfn[p]));
      }
  // The summary says how many were added and that G lacks them.
  FolderRun t;
  const std::string wfx = read_file(wfn_test::test_data() + "/gh_wfn/h2o_qz.wfx");
  write_file("c.wfx", wfx.substr(0, wfx.find("<Energy")) +
                          "<Additional Electron Density Function (EDF)>\n<Number of EDF Primitives>\n 1\n"
                          "</Number of EDF Primitives>\n<EDF Primitive Centers>\n 1\n</EDF Primitive Centers>\n"
                          "<EDF Primitive Types>\n 1\n</EDF Primitive Types>\n<EDF Primitive Exponents>\n 9.5\n"
                          "</EDF Primitive Exponents>\n<EDF Primitive Coefficients>\n 0.25\n"
                          "</EDF Primitive Coefficients>\n</Additional Electron Density Function (EDF)>\n");
  t.run.input_variables.wfn_inpname = padded("c.wfx", 33);
  t.run.input_variables.wfn_outname = padded("c", 33);
  tessaro::wfn_prop(t.run);
  EXPECT_EQ(t.report(), "");
  EXPECT_NE(tessaro::section_summary(t.run.input_variables, tessaro::Section::Wfn)
                .find("\n           1 additional density function primitives (core densities) added to rho, its "
                      "gradient and laplacian; G (from the orbitals) does not include them\n"),
            std::string::npos);
}

TEST(WfnPropElectronCount, RealFilesCheckOutAPermutedComponentOrderWarns) {
  const std::string dir = wfn_test::test_data();
  for (const char* f :
       {"/water_dimer.wfn", "/formic_dimer.wfn", "/gh_wfn/water5z.wfn", "/gh_wfn/h2o_qz.wfn", "/gh_wfn/h2o_qz.wfx"}) {
    const tessaro::Wavefunction w = read_any(dir + f);
    EXPECT_NEAR(tessaro::orbital_electron_count(w), tessaro::occupation_sum(w), 1e-7 * tessaro::occupation_sum(w)) << f;
  }
  // The d functions of the water dimer written as xx xy xz yy yz zz while
  // the types say xx yy zz xy xz yz: a writer with another component order.
  std::string text = read_file(dir + "/water_dimer.wfn");
  const std::string nwchem_order = "  5  8  9  6 10  7", other = "  5  6  7  8  9 10";
  for (std::size_t p = text.find(nwchem_order); p != std::string::npos; p = text.find(nwchem_order, p + 1))
    text.replace(p, other.size(), other);
  FolderRun t;
  write_file("m.wfn", text);
  t.run.input_variables.wfn_inpname = padded("m.wfn", 33);
  tessaro::wfn_prop(t.run);
  const std::string report = t.report();
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
  EXPECT_EQ(report.rfind(" WARNING! electron count of m.wfn: the orbitals hold ", 0), 0u) << report;
  EXPECT_NE(report.find(" electrons, the occupations add up to 20.000000: the coefficients or primitive types of the "
                        "file look inconsistent (for example a writer with another component order)\n"),
            std::string::npos)
      << report;
}

TEST(WfnPropElectronCount, SharedDataFilesCheckOut) {
  const std::filesystem::path dir = std::filesystem::path(wfn_test::shared_data()) / "wfn_external";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "shared data not found at " << dir;
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".wfn") continue;
    const tessaro::Wavefunction w = wfn_test::read_path(entry.path().string());
    EXPECT_FALSE(tessaro::electron_count_inconsistent(tessaro::orbital_electron_count(w), tessaro::occupation_sum(w)))
        << entry.path();
    ++checked;
  }
  EXPECT_GE(checked, 9);  // tonto_OH.wfn, with g functions, among them
}

TEST(WfnPropPhysics, GAndHDensitiesMatchTheWritersOwnCubes) {
  // NWChem's cubes of the three files lie on the box CENTER 0 0 0, 49^3
  // points, step 0.25; five significant digits, the last row written as 0.
  const std::string dir = wfn_test::test_data() + "/gh_wfn/";
  InputVariables iv;
  iv.wfn_risp = {1, 0, 0, 0};
  set_box(iv, {0.0f, 0.0f, 0.0f}, {49, 49, 49}, {0.25f, 0.25f, 0.25f});
  std::vector<double> from_wfn;
  for (const char* f : {"water5z.wfn", "h2o_qz.wfn", "h2o_qz.wfx"}) {
    SCOPED_TRACE(f);
    const std::string cube = dir + (f[1] == 'a' ? "water5z" : "h2o_qz") + "_density.cube";
    std::ifstream in(cube, std::ios::binary);
    tessaro::textio::LineReader reader(in, cube);
    const tessaro::GridData theirs =
        tessaro::cube_in_array(reader, tessaro::GridRole::Density, tessaro::InputFormat::CUB, nullptr).grid;
    const WfnGrids ours = evaluate(read_any(dir + f), iv);
    ASSERT_EQ(ours.rho_array_wfn.size(), theirs.cube_array.size());
    int compared = 0;
    for (std::size_t k = 0; k < 49; ++k)
      for (std::size_t j = 0; j < 48; ++j)
        for (std::size_t i = 0; i < 49; ++i) {
          const std::size_t p = theirs.index(i, j, k);
          const double r = theirs.cube_array[p];
          if (r <= 1e-4) continue;
          EXPECT_NEAR(ours.rho_array_wfn[p], r, 5.0e-5 * r) << i << " " << j << " " << k;
          ++compared;
        }
    EXPECT_GT(compared, 23000);
    // The .wfn and .wfx of the same calculation: the .wfn's eight digits.
    if (std::string(f) == "h2o_qz.wfn") from_wfn = ours.rho_array_wfn;
    if (std::string(f) == "h2o_qz.wfx") {
      for (std::size_t p = 0; p < from_wfn.size(); ++p)
        EXPECT_NEAR(ours.rho_array_wfn[p], from_wfn[p], 1e-7 * ours.rho_array_wfn[p] + 1e-12) << p;
    }
  }
}

TEST(WfnPropPhysics, WaterDimerDensityMatchesTheWritersOwnCube) {
  // NWChem's density cube lies on the box CENTER 0 0 0, 57 x 49 x 49 points,
  // step 0.25; its values carry five significant digits, and its writer left
  // the last row (i = N1, j = N2) at zero.
  const std::filesystem::path cube = wfn_test::test_data() + "/water_dimer_density.cube";
  ASSERT_TRUE(std::filesystem::exists(cube)) << cube;
  std::ifstream in(cube, std::ios::binary);
  tessaro::textio::LineReader reader(in, cube.string());
  const tessaro::GridData theirs =
      tessaro::cube_in_array(reader, tessaro::GridRole::Density, tessaro::InputFormat::CUB, nullptr).grid;
  InputVariables iv;
  iv.wfn_risp = {1, 0, 0, 0};
  set_box(iv, {0.0f, 0.0f, 0.0f}, {57, 49, 49}, {0.25f, 0.25f, 0.25f});
  EXPECT_EQ(tessaro::wfn_box(iv).origin, theirs.origin);
  const WfnGrids ours = evaluate(wfn_test::read_path(wfn_test::test_data() + "/water_dimer.wfn"), iv);
  ASSERT_EQ(ours.rho_array_wfn.size(), theirs.cube_array.size());
  int compared = 0;
  for (std::size_t k = 0; k < 49; ++k)
    for (std::size_t j = 0; j < 49; ++j)
      for (std::size_t i = 0; i < 57; ++i) {
        if (i == 56 && j == 48) continue;
        const std::size_t p = theirs.index(i, j, k);
        const double r = theirs.cube_array[p];
        EXPECT_NEAR(ours.rho_array_wfn[p], r, 5.01e-5 * r + 1e-12) << i << " " << j << " " << k;
        ++compared;
      }
  EXPECT_EQ(compared, 57 * 49 * 49 - 49);
}
