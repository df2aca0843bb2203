#pragma once
// Pictures of the plot files: a self-contained SVG scatter picture of the RDG
// (y, 0 to 2) against rho*sign(lambda2) (x, -0.05 to 0.05 a.u.) or against the
// density (x, 0 to 0.05 a.u.), the standard picture of this analysis. The
// points are binned into an image of 400 x 300 cells, so a grid of any size
// gives a picture under 3 MB. In the density picture each non-empty cell is
// grey, darker the more points it holds; in the rho*sign(lambda2) picture it
// takes the colour of its rho*sign(lambda2) on the blue-green-red scale of the
// VMD script (-0.04 to 0.04 a.u.), shown by a colour bar. Named after its plot
// file with ".svg" appended.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

namespace tessaro {

enum class SvgPlotKind { density, rhosign };

// The window of the picture (a.u.) and its label texts.
struct SvgWindow {
  double x_min;
  double x_max;
  double y_min;
  double y_max;
  const char* x_label;
  const char* y_label;
};

inline constexpr std::size_t kSvgBinsX = 400;
inline constexpr std::size_t kSvgBinsY = 300;

SvgWindow svg_window(SvgPlotKind kind);

// Point counts per cell, counts[row * kSvgBinsX + column], row 0 the top row
// (the largest RDG). A point is counted when its RDG is below the unselected
// marker 1.0E10 and the point (value, RDG) lies inside the window, edges
// included; NaN values fall outside. Only the first min(sizes) points are
// taken.
std::vector<std::uint64_t> plot_svg_bins(std::span<const double> rdg_array, std::span<const double> values,
                                         SvgPlotKind kind);

// Writes the whole picture: frame, ticks, tick labels, axis labels, a caption
// with the number of points drawn, the cells as one path per shade or colour,
// and for rho*sign(lambda2) the colour bar.
void plot_svg(std::span<const double> rdg_array, std::span<const double> values, SvgPlotKind kind,
              std::ostream& destination);

}  // namespace tessaro
