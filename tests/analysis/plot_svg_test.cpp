#include "analysis/plot_svg.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace tessaro {
namespace {

std::string svg_of(const std::vector<double>& rdg, const std::vector<double>& values, SvgPlotKind kind) {
  std::ostringstream out;
  plot_svg(rdg, values, kind, out);
  return out.str();
}

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
  return n;
}

// Rectangles drawn: every run of cells starts with an 'M' in a path's data.
std::size_t runs_drawn(const std::string& svg) {
  std::size_t n = 0;
  for (std::size_t p = svg.find(" d=\""); p != std::string::npos; p = svg.find(" d=\"", p + 1)) {
    const std::size_t end = svg.find('"', p + 4);
    n += static_cast<std::size_t>(std::count(svg.begin() + static_cast<std::ptrdiff_t>(p),
                                             svg.begin() + static_cast<std::ptrdiff_t>(end), 'M'));
  }
  return n;
}

void expect_well_formed(const std::string& svg) {
  ASSERT_EQ(svg.rfind("<svg ", 0), 0u);
  ASSERT_GE(svg.size(), 7u);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  EXPECT_EQ(count_of(svg, "<svg"), 1u);
  EXPECT_EQ(count_of(svg, "<g"), count_of(svg, "</g>"));
  EXPECT_EQ(count_of(svg, "<text"), count_of(svg, "</text>"));
  EXPECT_EQ(count_of(svg, "<"), 2 * count_of(svg, "</") + count_of(svg, "/>"));
}

std::size_t cell(std::size_t row, std::size_t col) { return row * kSvgBinsX + col; }

TEST(PlotSvgBins, EdgesCornersAndRejectedPoints) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // (x, RDG) pairs: corners and centre of the rho*sign(lambda2) window, two
  // points sharing a cell, and points that must not be drawn.
  const std::vector<double> x{-0.05, 0.05, 0.0, 0.0, 0.0, 0.0501, 0.0, 0.01, nan, 0.0, -0.0501};
  const std::vector<double> y{0.0, 2.0, 1.0, 1.001, 1.0e10, 1.0, 2.0001, nan, 1.0, -0.001, 1.0};
  const auto counts = plot_svg_bins(y, x, SvgPlotKind::rhosign);
  ASSERT_EQ(counts.size(), kSvgBinsX * kSvgBinsY);
  EXPECT_EQ(counts[cell(299, 0)], 1u);    // bottom left
  EXPECT_EQ(counts[cell(0, 399)], 1u);    // top right: upper edges belong to the last cell
  EXPECT_EQ(counts[cell(149, 200)], 2u);  // RDG 1.0 and 1.001 in one cell
  std::uint64_t total = 0;
  for (auto c : counts) total += c;
  EXPECT_EQ(total, 4u);
}

TEST(PlotSvgBins, DensityWindowStartsAtZero) {
  const std::vector<double> x{-1.0e-6, 0.0, 0.025, 0.05, 0.06};
  const std::vector<double> y{0.5, 0.5, 0.5, 0.5, 0.5};
  const auto counts = plot_svg_bins(y, x, SvgPlotKind::density);
  EXPECT_EQ(counts[cell(224, 0)], 1u);
  EXPECT_EQ(counts[cell(224, 200)], 1u);
  EXPECT_EQ(counts[cell(224, 399)], 1u);
  std::uint64_t total = 0;
  for (auto c : counts) total += c;
  EXPECT_EQ(total, 3u);
  // The same points on the rho*sign(lambda2) picture: the negative one too.
  const auto wide = plot_svg_bins(y, x, SvgPlotKind::rhosign);
  total = 0;
  for (auto c : wide) total += c;
  EXPECT_EQ(total, 4u);  // 0.06 is beyond 0.05
}

TEST(PlotSvg, CellsBecomeRunsOfRectangles) {
  // Three separate cells, and two neighbours of equal count that merge into
  // one rectangle; an unselected point adds nothing.
  const std::vector<double> x{-0.04, 0.0, 0.04, 0.02, 0.02025, 0.0};
  const std::vector<double> y{0.1, 1.0, 1.9, 0.5, 0.5, 1.0e10};
  const std::string svg = svg_of(y, x, SvgPlotKind::rhosign);
  expect_well_formed(svg);
  EXPECT_EQ(runs_drawn(svg), 4u);
  EXPECT_NE(svg.find("h2v1h-2z"), std::string::npos);  // the merged pair
  EXPECT_NE(svg.find(">RDG against rho*sign(lambda2): 5 of 6 points drawn</text>"), std::string::npos);
  EXPECT_NE(svg.find(">rho*sign(lambda2) (a.u.)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">RDG</text>"), std::string::npos);
  for (const char* label : {">-0.05<", ">-0.01<", ">0.00<", ">0.03<", ">0.05<", ">0.0<", ">1.5<", ">2.0<"}) {
    EXPECT_NE(svg.find(label), std::string::npos) << label;
  }
}

TEST(PlotSvg, DensityPictureHasItsOwnAxis) {
  const std::string svg = svg_of({0.3}, {0.01}, SvgPlotKind::density);
  expect_well_formed(svg);
  EXPECT_EQ(runs_drawn(svg), 1u);
  EXPECT_NE(svg.find(">rho (a.u.)</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">-0.01<"), std::string::npos);
  EXPECT_NE(svg.find(">0.05<"), std::string::npos);
  // No point at all still gives a complete, empty picture.
  const std::string empty = svg_of({}, {}, SvgPlotKind::density);
  expect_well_formed(empty);
  EXPECT_EQ(runs_drawn(empty), 0u);
}

TEST(PlotSvg, SizeStaysBoundedForMillionsOfPoints) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> ux(-0.05, 0.05), uy(0.0, 2.0);
  std::vector<double> x(1000000), y(1000000);
  for (std::size_t p = 0; p < x.size(); ++p) {
    x[p] = ux(rng);
    y[p] = uy(rng);
  }
  const std::string random_svg = svg_of(y, x, SvgPlotKind::rhosign);
  expect_well_formed(random_svg);
  EXPECT_LT(random_svg.size(), 3000000u);

  // The worst cases for runs: in the grey density picture, cells of
  // alternating shades over the whole window; in the coloured picture, whose
  // colour follows the column, every other cell empty.
  for (const SvgPlotKind kind : {SvgPlotKind::density, SvgPlotKind::rhosign}) {
    const bool coloured = kind == SvgPlotKind::rhosign;
    const SvgWindow w = svg_window(kind);
    x.clear();
    y.clear();
    for (std::size_t row = 0; row < kSvgBinsY; ++row) {
      for (std::size_t col = 0; col < kSvgBinsX; ++col) {
        const double cx = w.x_min + (static_cast<double>(col) + 0.5) * (w.x_max - w.x_min) / kSvgBinsX;
        const double cy = 2.0 - (static_cast<double>(row) + 0.5) * 2.0 / kSvgBinsY;
        const int copies = (row + col) % 2 == 0 ? 1 : coloured ? 0 : 30;
        for (int c = 0; c < copies; ++c) {
          x.push_back(cx);
          y.push_back(cy);
        }
      }
    }
    const std::string worst = svg_of(y, x, kind);
    expect_well_formed(worst);
    EXPECT_EQ(runs_drawn(worst), kSvgBinsX * kSvgBinsY / (coloured ? 2 : 1));
    EXPECT_LT(worst.size(), 3000000u);
  }
}

// The coloured picture: each cell takes the colour of its rho*sign(lambda2)
// on the blue-green-red scale of the VMD script, -0.04 blue, 0 green, 0.04
// red, values beyond the range the colour of its end; the bar shows the scale.
TEST(PlotSvg, RhosignCellsTakeTheColourOfTheirValue) {
  struct Case {
    double x;
    const char* fill;
  };
  const Case cases[] = {{-0.049, "#0000ff"}, {-0.04, "#0000ff"}, {-0.02, "#007f80"},
                        {0.0, "#00ff00"},    {0.02, "#7f8000"},  {0.045, "#ff0000"}};
  for (const Case& c : cases) {
    const std::string svg = svg_of({1.0}, {c.x}, SvgPlotKind::rhosign);
    expect_well_formed(svg);
    EXPECT_EQ(runs_drawn(svg), 1u) << c.x;
    EXPECT_NE(svg.find("<path fill=\"" + std::string(c.fill) + "\" d=\"M"), std::string::npos) << c.x;
  }
  const std::string svg = svg_of({1.0}, {0.0}, SvgPlotKind::rhosign);
  EXPECT_EQ(count_of(svg, "<rect"), 33u + 3u);  // 33 bands, background, plot frame, bar frame
  for (const char* label : {">0.040<", ">0.000<", ">-0.040<", ">rho*sign(lambda2) colour (a.u.)<"})
    EXPECT_NE(svg.find(label), std::string::npos) << label;
  // The density picture stays grey and has no bar.
  const std::string grey = svg_of({1.0}, {0.01}, SvgPlotKind::density);
  EXPECT_NE(grey.find("<path fill=\"#000000\""), std::string::npos);
  EXPECT_EQ(grey.find("colour"), std::string::npos);
}

// Two Gaussian "atoms" 6 bohr apart on the x axis: the density between them
// has a saddle whose middle Hessian eigenvalue is negative, so the RDG drops
// towards zero at a small negative rho*sign(lambda2): the spike of a weak
// attractive contact. Setting TESSARO_SVG_OUT writes the picture there for
// looking at it.
TEST(PlotSvg, TwoGaussianAtomsShowTheAttractiveSpike) {
  constexpr double kA = 1.0, kB = 0.5, kSeparation = 3.0;
  const double c = 1.0 / (2.0 * std::cbrt(3.0 * M_PI * M_PI));
  std::vector<double> rdg, rhosign;
  for (int k = 0; k < 41; ++k) {
    for (int j = 0; j < 41; ++j) {
      for (int i = 0; i < 71; ++i) {
        const double r[3] = {-5.25 + 0.15 * i, -3.0 + 0.15 * j, -3.0 + 0.15 * k};
        double rho = 0, g[3] = {0, 0, 0}, h[3][3] = {};
        for (double centre : {-kSeparation, kSeparation}) {
          const double d[3] = {r[0] - centre, r[1], r[2]};
          const double e = kA * std::exp(-kB * (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
          rho += e;
          for (int a = 0; a < 3; ++a) {
            g[a] += -2.0 * kB * d[a] * e;
            for (int b = 0; b < 3; ++b) h[a][b] += e * (4.0 * kB * kB * d[a] * d[b] - (a == b ? 2.0 * kB : 0.0));
          }
        }
        // Eigenvalues of the symmetric 3x3 Hessian by the trigonometric formula.
        const double q = (h[0][0] + h[1][1] + h[2][2]) / 3.0;
        const double p1 = h[0][1] * h[0][1] + h[0][2] * h[0][2] + h[1][2] * h[1][2];
        const double p2 = (h[0][0] - q) * (h[0][0] - q) + (h[1][1] - q) * (h[1][1] - q) +
                          (h[2][2] - q) * (h[2][2] - q) + 2.0 * p1;
        const double p = std::sqrt(p2 / 6.0);
        double lambda2 = q;
        if (p > 0) {
          double bm[3][3];
          for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) bm[a][b] = (h[a][b] - (a == b ? q : 0.0)) / p;
          const double det = bm[0][0] * (bm[1][1] * bm[2][2] - bm[1][2] * bm[2][1]) -
                             bm[0][1] * (bm[1][0] * bm[2][2] - bm[1][2] * bm[2][0]) +
                             bm[0][2] * (bm[1][0] * bm[2][1] - bm[1][1] * bm[2][0]);
          const double phi = std::acos(std::clamp(det / 2.0, -1.0, 1.0)) / 3.0;
          const double l1 = q + 2.0 * p * std::cos(phi);
          const double l3 = q + 2.0 * p * std::cos(phi + 2.0 * M_PI / 3.0);
          lambda2 = 3.0 * q - l1 - l3;
        }
        const double grad = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        rdg.push_back(c * grad / std::pow(rho, 4.0 / 3.0));
        rhosign.push_back(lambda2 < 0 ? -rho : rho);
      }
    }
  }
  const auto counts = plot_svg_bins(rdg, rhosign, SvgPlotKind::rhosign);
  // Low RDG (below 0.4, the bottom 60 rows) only near the saddle's density,
  // 2 exp(-4.5) = 0.0222, on the negative side.
  std::uint64_t low_negative = 0, low_positive = 0;
  for (std::size_t row = kSvgBinsY - 60; row < kSvgBinsY; ++row) {
    for (std::size_t col = 0; col < kSvgBinsX; ++col) {
      if (counts[cell(row, col)] == 0) continue;
      const double x = -0.05 + (static_cast<double>(col) + 0.5) * 0.1 / kSvgBinsX;
      if (x < 0) {
        ++low_negative;
        EXPECT_NEAR(x, -0.0222, 0.006);
      } else {
        ++low_positive;
      }
    }
  }
  EXPECT_GT(low_negative, 3u);
  EXPECT_EQ(low_positive, 0u);

  const std::string svg = svg_of(rdg, rhosign, SvgPlotKind::rhosign);
  expect_well_formed(svg);
  if (const char* path = std::getenv("TESSARO_SVG_OUT")) {
    testing::write_file(std::string(path) + "_rhosign.svg", svg);
    testing::write_file(std::string(path) + "_rho.svg", svg_of(rdg, rhosign, SvgPlotKind::density));
  }
}

}  // namespace
}  // namespace tessaro
