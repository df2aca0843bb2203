// The RDG section on a real density: a cut of NWChem's water dimer density
// cube around the hydrogen bond (tests/data/analysis/cut_water_dimer.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/calc_stuff.hpp"
#include "analysis/statistics.hpp"
#include "support/files.hpp"
#include "support/folder_run.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

struct PlotPoint {
  double rdg, value;
};

std::vector<PlotPoint> read_plot(const std::string& name) {
  std::vector<PlotPoint> points;
  for (const std::string& line : lines_of(read_file(name))) {
    points.push_back({std::strtod(line.substr(5, 11).c_str(), nullptr), std::strtod(line.substr(26, 11).c_str(), nullptr)});
  }
  return points;
}

TEST(RdgSectionRealData, WaterDimerHydrogenBond) {
  FolderRun in_folder;
  fs::copy_file(fs::path(TESSARO_TEST_DATA) / "analysis" / "water_dimer_cut.cube", "water.cube");

  tessaro::Run& run = in_folder.run;
  InputVariables& iv = run.input_variables;
  auto field = [](std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
  };
  iv.inp1_risp = {0, 0, 1};
  iv.inprdg_risp = {0, 0, 1};
  iv.calc_risp = {1, 1, 1, 1};
  iv.rhocube_inp = field("water.cube", 35);
  iv.grad_calc = iv.lapl_calc = 1;
  iv.rdg_risp = {1, 0, 0};
  iv.rdg_rispace = {1, 0, 0};
  iv.rdg_outname = field("water_rdg", 30);
  iv.rhosign_outname = field("water_rhosign", 30);
  iv.e_outname = field("water", 30);
  iv.duedplot = {1, 1, 0};
  iv.plot_name = field(".dat", 30);
  calc_stuff(run);
  run.flush();

  const std::size_t n1 = 29, n2 = 21, n3 = 21;
  const std::vector<PlotPoint> rhosign = read_plot("rhosign.dat");
  const std::vector<PlotPoint> rho = read_plot("rho.dat");
  ASSERT_EQ(rhosign.size(), n1 * n2 * n3);
  ASSERT_EQ(rho.size(), n1 * n2 * n3);

  // Low-RDG points with rho*sign(lambda2) of a hydrogen bond (-0.02 to -0.04)
  // lie between the donor hydrogen (x = -1.13) and the acceptor oxygen
  // (x = 2.55), near the O-H...O line; nowhere else in the box.
  int bond_points = 0;
  for (std::size_t p = 0; p < rhosign.size(); ++p) {
    const double x = -3.5 + 0.25 * static_cast<double>(p % n1);
    const double y = -2.5 + 0.25 * static_cast<double>(p / n1 % n2);
    const double z = -2.5 + 0.25 * static_cast<double>(p / (n1 * n2));
    if (rhosign[p].rdg < 0.5 && rhosign[p].value < -0.02 && rhosign[p].value > -0.04) {
      ++bond_points;
      EXPECT_GT(x, -1.13) << p;
      EXPECT_LT(x, 2.55) << p;
      EXPECT_LT(std::abs(y), 1.0) << p;
      EXPECT_LT(std::abs(z), 1.0) << p;
    }
    // The gradient is computed, so the two outer layers are left out.
    const std::size_t i = p % n1, j = p / n1 % n2, k = p / (n1 * n2);
    auto outer = [](std::size_t x, std::size_t n) { return x < 2 || x + 2 >= n; };
    if (outer(i, n1) || outer(j, n2) || outer(k, n3)) {
      EXPECT_EQ(rhosign[p].rdg, 1.0E10) << p;
    }
    // Both plots list the same RDG, and |rho*sign(lambda2)| is the density.
    EXPECT_EQ(rho[p].rdg, rhosign[p].rdg);
    if (rhosign[p].value != 0.0) {
      EXPECT_EQ(std::abs(rhosign[p].value), rho[p].value);
    }
  }
  EXPECT_GE(bond_points, 10);

  // The statistics agree with the plot file: the plot's three-digit RDG can
  // move a point across an isovalue only within half a unit of its last digit.
  const std::array<double, 10> t = rdg_isovalues();
  for (std::size_t m = 0; m < 10; ++m) {
    int surely = 0, maybe = 0;
    for (const PlotPoint& point : rhosign) {
      if (point.rdg < t[m] - 0.0005) ++surely;
      if (point.rdg < t[m] + 0.0005) ++maybe;
    }
    EXPECT_GE(iv.n01[m], surely) << m;
    EXPECT_LE(iv.n01[m], maybe) << m;
    EXPECT_EQ(iv.vol01[m], iv.n01[m] * 0.015625);
    if (m > 0) {
      EXPECT_GE(iv.n01[m], iv.n01[m - 1]);
    }
  }
  EXPECT_GT(iv.n01[2], 0);
  EXPECT_LT(iv.rhosi01[9], 0.0);  // the hydrogen bond dominates the low-RDG volume
  EXPECT_LT(iv.n01[9], static_cast<int>(n1 * n2 * n3));

}

}  // namespace
}  // namespace tessaro::testing
