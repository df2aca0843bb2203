#pragma once
// Small grids for the kernel tests: values from a function of the point's
// Cartesian position, taken in double from the single-precision geometry.
#include <array>
#include <functional>

#include "grid/grid_data.hpp"

namespace tessaro::kernels_test {

using Axes = std::array<std::array<float, 3>, 3>;

inline Axes cubic_axes(float h) { return {{{h, 0.0f, 0.0f}, {0.0f, h, 0.0f}, {0.0f, 0.0f, h}}}; }

inline GridData make_grid(int n1, int n2, int n3, const Axes& axes,
                          const std::function<double(double, double, double)>& f,
                          std::array<float, 3> origin = {0.0f, 0.0f, 0.0f}) {
  GridData g;
  g.n = {n1, n2, n3};
  g.axis = axes;
  g.origin = origin;
  g.cube_array.resize(g.size());
  for (std::size_t k = 0; k < g.n3(); ++k) {
    for (std::size_t j = 0; j < g.n2(); ++j) {
      for (std::size_t i = 0; i < g.n1(); ++i) {
        double p[3];
        for (int x = 0; x < 3; ++x) {
          p[x] = double(origin[x]) + double(i) * axes[0][x] + double(j) * axes[1][x] + double(k) * axes[2][x];
        }
        g.cube_array[g.index(i, j, k)] = f(p[0], p[1], p[2]);
      }
    }
  }
  return g;
}

}  // namespace tessaro::kernels_test
