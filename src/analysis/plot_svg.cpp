#include "analysis/plot_svg.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/threads.hpp"

namespace tessaro {

namespace {

constexpr double kUnselected = 1.0e10;

// Picture geometry in pixels: two pixels per cell.
constexpr int kCellPixels = 2;
constexpr int kPlotWidth = static_cast<int>(kSvgBinsX) * kCellPixels;   // 800
constexpr int kPlotHeight = static_cast<int>(kSvgBinsY) * kCellPixels;  // 600
constexpr int kLeft = 90;
constexpr int kTop = 50;
constexpr int kRight = 30;
constexpr int kBottom = 70;
constexpr int kWidth = kLeft + kPlotWidth + kRight;
constexpr int kHeight = kTop + kPlotHeight + kBottom;
// The rho*sign(lambda2) picture is wider by its colour bar on the right.
constexpr int kBarGap = 30;
constexpr int kBarWidth = 24;
constexpr int kBarRoom = kBarGap + kBarWidth + 70;

// Shades: the cell count on a log scale in 16 steps, from light grey for a
// single point to black for the fullest cell.
constexpr int kShades = 16;
constexpr int kLightest = 176;

void append_int(std::string& out, long long value) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

// units / 10^decimals as fixed-point text: (-5, 2) gives "-0.05".
std::string fixed_text(long long units, int decimals) {
  std::string out;
  if (units < 0) out.push_back('-');
  unsigned long long a = units < 0 ? static_cast<unsigned long long>(-units) : static_cast<unsigned long long>(units);
  unsigned long long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  append_int(out, static_cast<long long>(a / scale));
  if (decimals > 0) {
    out.push_back('.');
    std::string frac;
    append_int(frac, static_cast<long long>(a % scale));
    out.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
    out += frac;
  }
  return out;
}

std::string grey_hex(int shade) {
  const int g = kLightest * (kShades - shade) / (kShades - 1);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "#";
  for (int i = 0; i < 3; ++i) {
    out.push_back(kHex[g / 16]);
    out.push_back(kHex[g % 16]);
  }
  return out;
}

// Colours of the rho*sign(lambda2) picture: the blue-green-red scale of the
// VMD script over -kVmdColourLimit .. kVmdColourLimit in kColourSteps equal
// steps (kColourSteps + 1 colours, level 0 blue, the middle green, the last
// red); values beyond the range take the colour of its end.
constexpr int kColourSteps = 32;
constexpr double kColourLimit = 0.04;  // a.u., the range of the VMD script's colour scale
constexpr int kBandPixels = 16;        // height of one colour in the bar

// The colour level of rho*sign(lambda2) = x.
int colour_level(double x) {
  const double t = std::clamp((x + kColourLimit) / (2.0 * kColourLimit), 0.0, 1.0);
  return static_cast<int>(std::lround(t * kColourSteps));
}

// Blue (0, 0, 1) to green (0, 1, 0) over the first half, green to red
// (1, 0, 0) over the second, as VMD's BGR scale.
std::string bgr_hex(int level) {
  const int half = kColourSteps / 2;
  int r = 0, g = 0, b = 0;
  if (level <= half) {
    g = 255 * level / half;
    b = 255 - g;
  } else {
    r = 255 * (level - half) / half;
    g = 255 - r;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "#";
  for (const int c : {r, g, b}) {
    out.push_back(kHex[c / 16]);
    out.push_back(kHex[c % 16]);
  }
  return out;
}

// Tick marks of one axis: positions in hundredths (x) or tenths (y) of the
// axis unit, so that the labels come out exact.
struct AxisTicks {
  long long first;  // in units of 10^-decimals
  long long step;
  int count;
  int decimals;
};

void text_element(std::string& s, int x, int y, const char* anchor, const std::string& text,
                  const char* extra = "") {
  s += "<text x=\"";
  append_int(s, x);
  s += "\" y=\"";
  append_int(s, y);
  s += "\" text-anchor=\"";
  s += anchor;
  s += "\"";
  s += extra;
  s += ">";
  s += text;
  s += "</text>\n";
}

// A rect element; `extra` holds further attributes, each after a blank.
void rect_element(std::string& s, int x, int y, int width, int height, std::string_view extra = {}) {
  s += "<rect x=\"";
  append_int(s, x);
  s += "\" y=\"";
  append_int(s, y);
  s += "\" width=\"";
  append_int(s, width);
  s += "\" height=\"";
  append_int(s, height);
  s += "\"";
  s += extra;
  s += "/>\n";
}

void line_element(std::string& s, int x1, int y1, int x2, int y2) {
  s += "<line x1=\"";
  append_int(s, x1);
  s += "\" y1=\"";
  append_int(s, y1);
  s += "\" x2=\"";
  append_int(s, x2);
  s += "\" y2=\"";
  append_int(s, y2);
  s += "\"/>\n";
}

// The colour bar right of the plot: one band per colour, red (0.04) at the
// top, blue (-0.04) at the bottom, labelled at both ends and in the middle.
void colour_bar(std::string& s) {
  const int x = kLeft + kPlotWidth + kBarGap;
  const int bands = kColourSteps + 1;
  const int top = kTop + (kPlotHeight - bands * kBandPixels) / 2;
  s += "<g shape-rendering=\"crispEdges\" stroke=\"none\">\n";
  for (int level = kColourSteps; level >= 0; --level) {
    rect_element(s, x, top + (kColourSteps - level) * kBandPixels, kBarWidth, kBandPixels,
                 " fill=\"" + bgr_hex(level) + "\"");
  }
  s += "</g>\n<g stroke=\"black\" stroke-width=\"1\" fill=\"none\">\n";
  rect_element(s, x, top, kBarWidth, bands * kBandPixels);
  s += "</g>\n";
  const long long limit_thousandths = std::lround(kColourLimit * 1000.0);
  for (const auto& [level, thousandths] : {std::pair{kColourSteps, limit_thousandths}, std::pair{kColourSteps / 2, 0LL},
                                          std::pair{0, -limit_thousandths}}) {
    const int y = top + (kColourSteps - level) * kBandPixels + kBandPixels / 2 + 5;
    text_element(s, x + kBarWidth + 6, y, "start", fixed_text(thousandths, 3));
  }
  const int y_mid = kTop + kPlotHeight / 2;
  const int label_x = x + kBarWidth + 58;
  std::string rotate = " transform=\"rotate(90 ";
  append_int(rotate, label_x);
  rotate += " ";
  append_int(rotate, y_mid);
  rotate += ")\"";
  text_element(s, label_x, y_mid, "middle", "rho*sign(lambda2) colour (a.u.)", rotate.c_str());
}

}  // namespace

SvgWindow svg_window(SvgPlotKind kind) {
  if (kind == SvgPlotKind::rhosign) return {-0.05, 0.05, 0.0, 2.0, "rho*sign(lambda2) (a.u.)", "RDG"};
  return {0.0, 0.05, 0.0, 2.0, "rho (a.u.)", "RDG"};
}

std::vector<std::uint64_t> plot_svg_bins(std::span<const double> rdg_array, std::span<const double> values,
                                         SvgPlotKind kind) {
  const SvgWindow w = svg_window(kind);
  const std::size_t n = std::min(rdg_array.size(), values.size());
  const double x_scale = static_cast<double>(kSvgBinsX) / (w.x_max - w.x_min);
  const double y_scale = static_cast<double>(kSvgBinsY) / (w.y_max - w.y_min);
  // Each thread counts a share of the points in cells of its own; whole
  // counts add up to the same totals in any order.
  constexpr std::size_t kBlock = 1 << 16;
  const std::size_t threads = std::max<std::size_t>(1, std::min<std::size_t>(thread_count(), n / kBlock));
  std::vector<std::vector<std::uint64_t>> shares(threads, std::vector<std::uint64_t>(kSvgBinsX * kSvgBinsY, 0));
  TESSARO_OMP(omp parallel num_threads(static_cast<int>(threads)))
  {
    std::vector<std::uint64_t>& counts = shares[static_cast<std::size_t>(thread_index())];
    TESSARO_OMP(omp for schedule(dynamic, kBlock))
    for (std::size_t p = 0; p < n; ++p) {
      const double y = rdg_array[p];
      const double x = values[p];
      // Written so that NaN fails every test.
      if (!(y < kUnselected && y >= w.y_min && y <= w.y_max && x >= w.x_min && x <= w.x_max)) continue;
      // The upper edges belong to the last cell.
      const auto col = std::min(static_cast<std::size_t>((x - w.x_min) * x_scale), kSvgBinsX - 1);
      const auto up = std::min(static_cast<std::size_t>((y - w.y_min) * y_scale), kSvgBinsY - 1);
      ++counts[(kSvgBinsY - 1 - up) * kSvgBinsX + col];
    }
  }
  std::vector<std::uint64_t> counts = std::move(shares[0]);
  for (std::size_t t = 1; t < threads; ++t)
    for (std::size_t c = 0; c < counts.size(); ++c) counts[c] += shares[t][c];
  return counts;
}

void plot_svg(std::span<const double> rdg_array, std::span<const double> values, SvgPlotKind kind,
              std::ostream& destination) {
  const SvgWindow w = svg_window(kind);
  const std::vector<std::uint64_t> counts = plot_svg_bins(rdg_array, values, kind);
  std::uint64_t drawn = 0;
  std::uint64_t fullest = 0;
  for (std::uint64_t c : counts) {
    drawn += c;
    fullest = std::max(fullest, c);
  }
  const std::uint64_t total = std::min(rdg_array.size(), values.size());

  const bool rhosign = kind == SvgPlotKind::rhosign;
  // Paint of every cell, 0 for empty: in the density picture a grey shade by
  // the cell's count, in the rho*sign(lambda2) picture the colour of the
  // cell's rho*sign(lambda2) (the middle of its column) plus one.
  const double log_fullest = std::log1p(static_cast<double>(fullest));
  std::vector<unsigned char> shade(counts.size(), 0);
  std::array<unsigned char, kSvgBinsX> column_paint{};
  for (std::size_t col = 0; col < kSvgBinsX; ++col) {
    const double x = w.x_min + (static_cast<double>(col) + 0.5) * (w.x_max - w.x_min) / static_cast<double>(kSvgBinsX);
    column_paint[col] = static_cast<unsigned char>(colour_level(x) + 1);
  }
  for (std::size_t c = 0; c < counts.size(); ++c) {
    if (counts[c] == 0) continue;
    if (rhosign) {
      shade[c] = column_paint[c % kSvgBinsX];
      continue;
    }
    const double t = fullest > 1 ? std::log1p(static_cast<double>(counts[c])) / log_fullest : 1.0;
    shade[c] = static_cast<unsigned char>(std::clamp(static_cast<int>(std::ceil(t * kShades)), 1, kShades));
  }
  const int paints = rhosign ? kColourSteps + 1 : kShades;

  // One path per paint; each run of equal cells along a row is one rectangle
  // in cell units, which keeps the file small for any number of points.
  std::array<std::string, std::max(kShades, kColourSteps + 1) + 1> paths;
  for (std::size_t row = 0; row < kSvgBinsY; ++row) {
    const unsigned char* r = shade.data() + row * kSvgBinsX;
    std::size_t col = 0;
    while (col < kSvgBinsX) {
      const unsigned char s = r[col];
      std::size_t end = col + 1;
      while (end < kSvgBinsX && r[end] == s) ++end;
      if (s != 0) {
        std::string& p = paths[s];
        p.push_back('M');
        append_int(p, static_cast<long long>(col));
        p.push_back(' ');
        append_int(p, static_cast<long long>(row));
        p.push_back('h');
        append_int(p, static_cast<long long>(end - col));
        p += "v1h-";
        append_int(p, static_cast<long long>(end - col));
        p.push_back('z');
      }
      col = end;
    }
  }

  const AxisTicks xt = rhosign ? AxisTicks{-5, 1, 11, 2} : AxisTicks{0, 1, 6, 2};
  const AxisTicks yt{0, 5, 5, 1};  // 0.0, 0.5, ..., 2.0

  const int width = kWidth + (rhosign ? kBarRoom : 0);
  std::string s;
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
  append_int(s, width);
  s += "\" height=\"";
  append_int(s, kHeight);
  s += "\" viewBox=\"0 0 ";
  append_int(s, width);
  s += " ";
  append_int(s, kHeight);
  s += "\" font-family=\"sans-serif\" font-size=\"16\">\n";
  rect_element(s, 0, 0, width, kHeight, " fill=\"white\"");

  std::string caption = "RDG against ";
  caption += rhosign ? "rho*sign(lambda2)" : "rho";
  caption += ": ";
  append_int(caption, static_cast<long long>(drawn));
  caption += " of ";
  append_int(caption, static_cast<long long>(total));
  caption += " points drawn";
  text_element(s, kLeft + kPlotWidth / 2, kTop - 20, "middle", caption);

  // rho*sign(lambda2) = 0 divides attraction from repulsion: a faint guide.
  if (rhosign) {
    s += "<g stroke=\"#c0c0c0\" stroke-dasharray=\"4 4\">\n";
    line_element(s, kLeft + kPlotWidth / 2, kTop, kLeft + kPlotWidth / 2, kTop + kPlotHeight);
    s += "</g>\n";
  }

  s += "<g transform=\"translate(";
  append_int(s, kLeft);
  s += " ";
  append_int(s, kTop);
  s += ") scale(";
  append_int(s, kCellPixels);
  s += ")\" shape-rendering=\"crispEdges\" stroke=\"none\">\n";
  for (int shade_level = 1; shade_level <= paints; ++shade_level) {
    if (paths[shade_level].empty()) continue;
    s += "<path fill=\"" + (rhosign ? bgr_hex(shade_level - 1) : grey_hex(shade_level)) + "\" d=\"";
    s += paths[shade_level];
    s += "\"/>\n";
  }
  s += "</g>\n";

  // Frame and ticks.
  s += "<g stroke=\"black\" stroke-width=\"1\" fill=\"none\">\n";
  rect_element(s, kLeft, kTop, kPlotWidth, kPlotHeight);
  for (int i = 0; i < xt.count; ++i) {
    const int x = kLeft + i * kPlotWidth / (xt.count - 1);
    line_element(s, x, kTop + kPlotHeight, x, kTop + kPlotHeight + 6);
  }
  for (int i = 0; i < yt.count; ++i) {
    const int y = kTop + kPlotHeight - i * kPlotHeight / (yt.count - 1);
    line_element(s, kLeft - 6, y, kLeft, y);
  }
  s += "</g>\n";

  for (int i = 0; i < xt.count; ++i) {
    const int x = kLeft + i * kPlotWidth / (xt.count - 1);
    text_element(s, x, kTop + kPlotHeight + 24, "middle", fixed_text(xt.first + i * xt.step, xt.decimals));
  }
  for (int i = 0; i < yt.count; ++i) {
    const int y = kTop + kPlotHeight - i * kPlotHeight / (yt.count - 1);
    text_element(s, kLeft - 10, y + 5, "end", fixed_text(yt.first + i * yt.step, yt.decimals));
  }
  text_element(s, kLeft + kPlotWidth / 2, kTop + kPlotHeight + 55, "middle", w.x_label);
  const int y_mid = kTop + kPlotHeight / 2;
  std::string rotate = " transform=\"rotate(-90 30 ";
  append_int(rotate, y_mid);
  rotate += ")\"";
  text_element(s, 30, y_mid, "middle", w.y_label, rotate.c_str());
  if (rhosign) colour_bar(s);
  s += "</svg>\n";
  destination.write(s.data(), static_cast<std::streamsize>(s.size()));
}

}  // namespace tessaro
