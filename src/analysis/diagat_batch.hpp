#pragma once
// `diagat` for n = 3, eigenvalues only, on four symmetric matrices at once.
// Each lane performs exactly the operations of diagat_core<3, false> in the
// same order (the IEEE operations are the same per lane whether done one
// matrix at a time or four): a lane that has converged keeps its values
// through selects while the others sweep on, and each lane keeps its own
// sweep count and cap. The four independent chains of square roots and
// divisions overlap, which the one-matrix routine cannot do.
#include <emmintrin.h>

#include <cstring>

#include "analysis/diagat_impl.hpp"

// The four-lane helpers are inline and never cross a library boundary, so the
// note about the ABI of 32-byte vector arguments does not concern them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tessaro::detail {

using Lanes = double __attribute__((vector_size(32)));
using LaneMask = long long __attribute__((vector_size(32)));

inline Lanes lanes_sqrt(const Lanes& x) {
  __m128d half[2];
  std::memcpy(half, &x, sizeof x);
  half[0] = _mm_sqrt_pd(half[0]);  // correctly rounded, as std::sqrt
  half[1] = _mm_sqrt_pd(half[1]);
  Lanes r;
  std::memcpy(&r, half, sizeof r);
  return r;
}

inline Lanes lanes_fabs(const Lanes& x) {
  const LaneMask magnitude = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL, 0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(x) & magnitude);
}

inline Lanes lanes_select(const LaneMask& m, const Lanes& a, const Lanes& b) {
  return reinterpret_cast<Lanes>((m & reinterpret_cast<LaneMask>(a)) | (~m & reinterpret_cast<LaneMask>(b)));
}

inline bool lanes_any(const LaneMask& m) { return (m[0] | m[1] | m[2] | m[3]) != 0; }

// One shifted QR sweep of the active block rows 0..l (l = 1 or 2) on the
// lanes where `on` is set; d, e and total are left alone elsewhere.
template <int kL>
inline void lanes_sweep(const LaneMask& on, Lanes (&d)[3], Lanes (&e)[2], Lanes& total) {
  const Lanes zero = {0.0, 0.0, 0.0, 0.0}, one = {1.0, 1.0, 1.0, 1.0};
  const Lanes dl1 = d[kL - 1], dl = d[kL], el = e[kL - 1];
  const Lanes mean = (dl1 + dl) / 2.0;
  const Lanes half = (dl1 - dl) / 2.0;
  const Lanes root = lanes_sqrt(half * half + el * el);
  const Lanes up = mean + root, down = mean - root;
  const Lanes shift = lanes_select(lanes_fabs(down - dl) < lanes_fabs(up - dl), down, up);
  Lanes nd[3] = {d[0], d[1], d[2]};
  Lanes ne[2] = {e[0], e[1]};
  for (int r = 0; r <= kL; ++r) nd[r] = nd[r] - shift;
  const Lanes ntotal = total + shift;

  Lanes alpha = nd[0], beta = ne[0];
  Lanes c_prev = one, s_prev = zero;
  for (int m = 0; m < kL; ++m) {
    const Lanes b = ne[m];
    const Lanes r = lanes_sqrt(alpha * alpha + b * b);
    const LaneMask nonzero = r != zero;
    const Lanes cs = lanes_select(nonzero, alpha / r, one);
    const Lanes sn = lanes_select(nonzero, b / r, zero);
    if (m > 0) ne[m - 1] = s_prev * r;
    const Lanes diag = c_prev * r;
    const Lanes r_next = cs * beta + sn * nd[m + 1];
    const Lanes dm1 = nd[m + 1];
    nd[m] = cs * diag + sn * r_next;
    alpha = cs * dm1 - sn * beta;
    if (m + 1 < kL) beta = cs * ne[m + 1];
    c_prev = cs;
    s_prev = sn;
  }
  ne[kL - 1] = s_prev * alpha;
  nd[kL] = c_prev * alpha;
  for (int r = 0; r < 3; ++r) d[r] = lanes_select(on, nd[r], d[r]);
  for (int r = 0; r < 2; ++r) e[r] = lanes_select(on, ne[r], e[r]);
  total = lanes_select(on, ntotal, total);
}

// Eigenvalues, ascending, of four symmetric 3 x 3 matrices given by their
// lower triangles a00, a10, a20, a11, a21, a22 (one lane per matrix).
inline void diagat3_eigenvalues_x4(const Lanes (&a)[6], Lanes (&d)[3]) {
  const Lanes zero = {0.0, 0.0, 0.0, 0.0};
  const Lanes a00 = a[0], a10 = a[1], a20 = a[2], a11 = a[3], a21 = a[4], a22 = a[5];
  // Householder reflection of column 1 unless a20 is already 0, or the
  // squares underflow to h = 0.
  const LaneMask reflect_try = a20 != zero;
  const Lanes sigma = a10 * a10 + a20 * a20;
  const Lanes norm = lanes_sqrt(sigma);
  const Lanes a_new = lanes_select(a10 >= zero, -norm, norm);
  const Lanes h = sigma - a10 * a_new;
  const LaneMask reflect = reflect_try & (h != zero);
  const Lanes u1 = a10 - a_new, u2 = a20;
  Lanes w1 = (a11 * u1 + a21 * u2) / h;
  Lanes w2 = (a21 * u1 + a22 * u2) / h;
  Lanes kk = u1 * w1 + u2 * w2;
  kk = kk / (h + h);
  w1 = w1 - kk * u1;
  w2 = w2 - kk * u2;
  const Lanes r11 = a11 - (u1 * w1 + w1 * u1);
  const Lanes r21 = a21 - (u2 * w1 + w2 * u1);
  const Lanes r22 = a22 - (u2 * w2 + w2 * u2);
  Lanes e[2] = {lanes_select(reflect, a_new, a10), lanes_select(reflect, r21, a21)};
  d[0] = a00;
  d[1] = lanes_select(reflect, r11, a11);
  d[2] = lanes_select(reflect, r22, a22);

  const Lanes threshold = {kDiagatThreshold, kDiagatThreshold, kDiagatThreshold, kDiagatThreshold};
  Lanes total = zero;
  const LaneMask all = {-1, -1, -1, -1};
  LaneMask left = all;  // lanes still under the sweep cap
  const LaneMask cap = {kDiagatMaxSweeps, kDiagatMaxSweeps, kDiagatMaxSweeps, kDiagatMaxSweeps};
  const LaneMask ones = {1, 1, 1, 1};
  LaneMask count = {0, 0, 0, 0};  // sweeps per lane for the current eigenvalue
  for (LaneMask on = (e[1] * e[1] > threshold); lanes_any(on); on = left & (e[1] * e[1] > threshold)) {
    lanes_sweep<2>(on, d, e, total);
    count = count + (on & ones);
    left = count < cap;
  }
  d[2] = d[2] + total;
  left = all;
  count = LaneMask{0, 0, 0, 0};
  for (LaneMask on = (e[0] * e[0] > threshold); lanes_any(on); on = left & (e[0] * e[0] > threshold)) {
    lanes_sweep<1>(on, d, e, total);
    count = count + (on & ones);
    left = count < cap;
  }
  d[1] = d[1] + total;
  d[0] = d[0] + total;

  // Exchange passes: two passes sort three values; a third changes nothing
  // (the one-matrix routine's last pass finds nothing to swap).
  for (int pass = 0; pass < 2; ++pass) {
    for (int m = 0; m < 2; ++m) {
      const LaneMask swap = d[m] > d[m + 1];
      const Lanes lo = lanes_select(swap, d[m + 1], d[m]);
      const Lanes hi = lanes_select(swap, d[m], d[m + 1]);
      d[m] = lo;
      d[m + 1] = hi;
    }
  }
}

}  // namespace tessaro::detail

#pragma GCC diagnostic pop
