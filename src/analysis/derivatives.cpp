// Five-point finite differences on the density grid: step lengths, the
// numerical gradient magnitude and Laplacian, and the Hessian at one point.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "analysis/hessian_planes.hpp"
#include "analysis/rdg_kernels.hpp"
#include "analysis/rdg_stencils.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

using stencil::Offset;

std::array<float, 3> step_lengths(const GridData& grid) {
  std::array<float, 3> h{};
  for (int a = 0; a < 3; ++a) {
    const auto& v = grid.axis[a];
    // The length of the step vector, in single precision.
    h[a] = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  }
  return h;
}

std::optional<std::array<int, 2>> non_orthogonal_axes(const GridData& grid) {
  auto dot = [&](int a, int b) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) sum += static_cast<double>(grid.axis[a][c]) * static_cast<double>(grid.axis[b][c]);
    return sum;
  };
  constexpr int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto& pr : pairs) {
    const int a = pr[0], b = pr[1];
    const double norms = std::sqrt(dot(a, a) * dot(b, b));
    if (norms > 0.0 && std::fabs(dot(a, b)) > kOrthogonalTolerance * norms) return std::array<int, 2>{a + 1, b + 1};
  }
  return std::nullopt;
}

namespace stencil {

Denominators denominators(const GridData& grid) {
  const std::array<float, 3> h = step_lengths(grid);
  Denominators d;
  for (int a = 0; a < 3; ++a) {
    // 12 h and 12 h h are formed in single precision, then widened.
    const float twelve_h = 12.0f * h[a];
    d.den1[a] = static_cast<double>(twelve_h);
    d.den2[a] = static_cast<double>(twelve_h * h[a]);
  }
  return d;
}

}  // namespace stencil

namespace {

// Sizes `out` to the grid, all 0, without holding the old and the new block at once.
void zeroed_grid(const GridData& grid, std::vector<double>& out) {
  check_grid_allocation(grid.n[0], grid.n[1], grid.n[2]);
  const std::size_t n = grid.size();
  if (out.capacity() < n) std::vector<double>().swap(out);
  out.assign(n, 0.0);
}

// Sizes `out` to the grid, 0 on the two outer layers, and `point(f, p,
// strides, denominators)` at every interior point p. Each interior plane is
// one thread's; a point's value does not depend on which.
template <class Point>
void each_interior_point(const GridData& rho, std::vector<double>& out, const Point& point) {
  zeroed_grid(rho, out);
  if (!stencil::has_interior(rho)) return;
  const stencil::Denominators den = stencil::denominators(rho);
  const auto s = stencil::strides(rho);
  const Offset n1 = s[1], n2 = static_cast<Offset>(rho.n2()), n3 = static_cast<Offset>(rho.n3());
  const double* f = rho.cube_array.data();
  double* values = out.data();
  TESSARO_OMP(omp parallel for schedule(dynamic, 1))
  for (Offset k = 2; k < n3 - 2; ++k) {
    for (Offset j = 2; j < n2 - 2; ++j) {
      const Offset row = (k * n2 + j) * n1;
      for (Offset i = 2; i < n1 - 2; ++i) values[row + i] = point(f, row + i, s, den);
    }
  }
}

}  // namespace

void numerical_gradient(const GridData& rho, std::vector<double>& grad_array) {
  each_interior_point(rho, grad_array,
                      [](const double* f, Offset p, const std::array<Offset, 3>& s, const stencil::Denominators& den) {
                        const double d1 = stencil::first_at(f, p, s[0], den.den1[0]);
                        const double d2 = stencil::first_at(f, p, s[1], den.den1[1]);
                        const double d3 = stencil::first_at(f, p, s[2], den.den1[2]);
                        return std::sqrt(d1 * d1 + d2 * d2 + d3 * d3);
                      });
}

// The trace of the Hessian needs only its diagonal: the same second
// differences `hessian` takes, summed D11 + D22 + D33 in that order.
void numerical_laplacian(const GridData& rho, std::vector<double>& lapl_array) {
  each_interior_point(rho, lapl_array,
                      [](const double* f, Offset p, const std::array<Offset, 3>& s, const stencil::Denominators& den) {
                        const double d11 = stencil::second_at(f, p, s[0], den.den2[0]);
                        const double d22 = stencil::second_at(f, p, s[1], den.den2[1]);
                        const double d33 = stencil::second_at(f, p, s[2], den.den2[2]);
                        return d11 + d22 + d33;
                      });
}

void set_border(const GridData& grid, std::span<double> values, double value) {
  if (values.size() != grid.size()) throw std::invalid_argument("set_border: the value count does not match N1*N2*N3");
  const std::size_t n1 = grid.n1(), n2 = grid.n2(), n3 = grid.n3();
  auto outer = [](std::size_t x, std::size_t n) { return x < 2 || x + 2 >= n; };
  for (std::size_t k = 0; k < n3; ++k) {
    for (std::size_t j = 0; j < n2; ++j) {
      double* row = values.data() + grid.index(0, j, k);
      if (outer(j, n2) || outer(k, n3)) {
        std::fill(row, row + n1, value);
        continue;
      }
      for (std::size_t i = 0; i < n1; ++i)
        if (outer(i, n1)) row[i] = value;
    }
  }
}

Matrix3 hessian(const GridData& rho, std::size_t i, std::size_t j, std::size_t k) {
  const stencil::Denominators den = stencil::denominators(rho);
  const auto s = stencil::strides(rho);
  const double* f = rho.cube_array.data();
  const Offset p = static_cast<Offset>(rho.index(i, j, k));
  Matrix3 h{};
  for (int a = 0; a < 3; ++a) h[a][a] = stencil::second_at(f, p, s[a], den.den2[a]);
  // D_b[D_a f]: the first-derivative stencil along b over the first
  // derivatives along a at p - 2 e_b ... p + 2 e_b.
  auto nested = [&](int a, int b) {
    const Offset sb = s[b];
    return stencil::first(stencil::first_at(f, p - 2 * sb, s[a], den.den1[a]),
                          stencil::first_at(f, p - sb, s[a], den.den1[a]),
                          stencil::first_at(f, p + sb, s[a], den.den1[a]),
                          stencil::first_at(f, p + 2 * sb, s[a], den.den1[a]), den.den1[b]);
  };
  constexpr int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto& pr : pairs) {
    const int a = pr[0], b = pr[1];
    const double v = stencil::mixed(nested(a, b), nested(b, a));
    h[a][b] = v;
    h[b][a] = v;
  }
  return h;
}

HessianPlanes::HessianPlanes(const GridData& rho)
    : f_(rho.cube_array.data()),
      n1_(static_cast<Offset>(rho.n1())),
      n2_(static_cast<Offset>(rho.n2())),
      plane_(static_cast<Offset>(rho.n1() * rho.n2())),
      den_(stencil::denominators(rho)) {
  check_allocation(rho.n1() * rho.n2(), (2 * kRing + 1) * sizeof(double));
  check_allocation(rho.n1(), 6 * sizeof(double));
  const std::size_t plane = rho.n1() * rho.n2();
  d1_ring_.assign(kRing * plane, 0.0);
  d2_ring_.assign(kRing * plane, 0.0);
  d3_.assign(plane, 0.0);
  rows_.assign(6 * rho.n1(), 0.0);
}

void HessianPlanes::start(std::size_t first_plane) {
  filled_ = static_cast<Offset>(first_plane) - 2;
  current_ = -1;
}

// First derivatives along axes 1 and 2 on plane kk, where they are defined.
void HessianPlanes::fill_plane(Offset kk) {
  double* d1 = d1_ring_.data() + (kk % kRing) * plane_;
  double* d2 = d2_ring_.data() + (kk % kRing) * plane_;
  const Offset base = kk * plane_;
  for (Offset j = 0; j < n2_; ++j) {
    const Offset row = j * n1_;
    for (Offset i = 2; i < n1_ - 2; ++i) d1[row + i] = stencil::first_at(f_, base + row + i, 1, den_.den1[0]);
    if (j >= 2 && j < n2_ - 2) {
      for (Offset i = 0; i < n1_; ++i) d2[row + i] = stencil::first_at(f_, base + row + i, n1_, den_.den1[1]);
    }
  }
}

void HessianPlanes::set_plane(Offset k) {
  if (current_ == k) return;
  while (filled_ <= k + 2) fill_plane(filled_++);
  const Offset base = k * plane_;
  for (Offset q = 0; q < plane_; ++q) d3_[static_cast<std::size_t>(q)] = stencil::first_at(f_, base + q, plane_, den_.den1[2]);
  current_ = k;
}

void HessianPlanes::row(std::size_t j_index, std::size_t k_index) {
  const Offset j = static_cast<Offset>(j_index), k = static_cast<Offset>(k_index);
  set_plane(k);
  const Offset n1 = n1_, plane = plane_;
  const stencil::Denominators& den = den_;
  auto ring = [&](const std::vector<double>& r, Offset kk) { return r.data() + (kk % kRing) * plane; };
  const double *d1m2 = ring(d1_ring_, k - 2), *d1m1 = ring(d1_ring_, k - 1), *d1c = ring(d1_ring_, k),
               *d1p1 = ring(d1_ring_, k + 1), *d1p2 = ring(d1_ring_, k + 2);
  const double *d2m2 = ring(d2_ring_, k - 2), *d2m1 = ring(d2_ring_, k - 1), *d2c = ring(d2_ring_, k),
               *d2p1 = ring(d2_ring_, k + 1), *d2p2 = ring(d2_ring_, k + 2);
  const double* d3c = d3_.data();
  double* h00 = rows_.data();
  double* h11 = h00 + n1;
  double* h22 = h11 + n1;
  double* h01 = h22 + n1;
  double* h02 = h01 + n1;
  double* h12 = h02 + n1;
  const Offset row = j * n1;
  const Offset base = k * plane;
  for (Offset i = 2; i < n1 - 2; ++i) {
    const Offset q = row + i;
    h00[i] = stencil::second_at(f_, base + q, 1, den.den2[0]);
    h11[i] = stencil::second_at(f_, base + q, n1, den.den2[1]);
    h22[i] = stencil::second_at(f_, base + q, plane, den.den2[2]);
    // D_2[D_1 f] with D_1[D_2 f], D_3[D_1 f] with D_1[D_3 f], D_3[D_2 f] with D_2[D_3 f].
    h01[i] = stencil::mixed(stencil::first(d1c[q - 2 * n1], d1c[q - n1], d1c[q + n1], d1c[q + 2 * n1], den.den1[1]),
                            stencil::first(d2c[q - 2], d2c[q - 1], d2c[q + 1], d2c[q + 2], den.den1[0]));
    h02[i] = stencil::mixed(stencil::first(d1m2[q], d1m1[q], d1p1[q], d1p2[q], den.den1[2]),
                            stencil::first(d3c[q - 2], d3c[q - 1], d3c[q + 1], d3c[q + 2], den.den1[0]));
    h12[i] = stencil::mixed(stencil::first(d2m2[q], d2m1[q], d2p1[q], d2p2[q], den.den1[2]),
                            stencil::first(d3c[q - 2 * n1], d3c[q - n1], d3c[q + n1], d3c[q + 2 * n1], den.den1[1]));
  }
}

}  // namespace tessaro
