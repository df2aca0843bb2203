#pragma once
// The symmetric eigen-solver `diagat`, written once as a template so that the
// general routine (any n) and a fixed-size n = 3 routine are the same sequence
// of operations: with kN = 3 the compiler sees the order as a constant and
// unrolls, but every multiply, add, divide and square root, and their order,
// are those of the general routine. Eigenvectors never feed back into the
// eigenvalues, so kVectors = false drops only their updates. The four-lane
// routine that rho*sign(lambda2) uses (diagat_batch.hpp) spells out the
// n = 3, kVectors = false sequence of this template lane by lane.
#include <cmath>
#include <cstddef>

namespace tessaro::detail {

// Sweeps allowed per eigenvalue; after them the current value is taken.
inline constexpr int kDiagatMaxSweeps = 1000;
// The subdiagonal element couples no more when its square is at most this
// (absolute test).
inline constexpr double kDiagatThreshold = 1.0E-18;

// kN > 0: the order is kN and `n_runtime` is ignored; kN == 0: the order is n_runtime.
template <int kN, bool kVectors>
inline void diagat_core(int n_runtime, int ld_runtime, double* a, double* v, double* d, double* w) {
  const int n = kN > 0 ? kN : n_runtime;
  const std::size_t ld = static_cast<std::size_t>(kN > 0 ? kN : ld_runtime);
  if (n <= 0) return;
  auto A = [&](int r, int c) -> double& { return a[static_cast<std::size_t>(r) + static_cast<std::size_t>(c) * ld]; };
  auto V = [&](int r, int c) -> double& { return v[static_cast<std::size_t>(r) + static_cast<std::size_t>(c) * ld]; };

  // 1. Householder reduction to tridiagonal form (diagonal d, subdiagonal w),
  // column by column. The reflection of column c is I - u u^T / h with u kept
  // in A below the diagonal of column c and h in A(c, c); h = 0 marks a column
  // left alone because it was already reduced.
  for (int c = 0; c + 2 < n; ++c) {
    bool reduced = true;
    for (int r = c + 2; r < n; ++r) {
      if (A(r, c) != 0.0) reduced = false;
    }
    double h = 0.0;
    double alpha = A(c + 1, c);
    if (!reduced) {
      double sigma = A(c + 1, c) * A(c + 1, c);
      for (int r = c + 2; r < n; ++r) sigma += A(r, c) * A(r, c);
      const double x0 = A(c + 1, c);
      const double norm = std::sqrt(sigma);
      // alpha takes the sign opposite to x0 so that u0 = x0 - alpha does not cancel.
      const double a_new = x0 >= 0.0 ? -norm : norm;
      h = sigma - x0 * a_new;  // u.u / 2
      if (h != 0.0) {
        alpha = a_new;
        A(c + 1, c) = x0 - alpha;
        // p = A u / h, kept in w(c+1..n-1).
        for (int r = c + 1; r < n; ++r) {
          double s = A(r, c + 1) * A(c + 1, c);
          for (int q = c + 2; q < n; ++q) s += A(r, q) * A(q, c);
          w[r] = s / h;
        }
        double kk = A(c + 1, c) * w[c + 1];
        for (int r = c + 2; r < n; ++r) kk += A(r, c) * w[r];
        kk = kk / (h + h);
        // q = p - K u, then A = A - u q^T - q u^T (symmetric to the bit).
        for (int r = c + 1; r < n; ++r) w[r] = w[r] - kk * A(r, c);
        for (int q = c + 1; q < n; ++q) {
          for (int r = c + 1; r < n; ++r) A(r, q) = A(r, q) - (A(r, c) * w[q] + w[r] * A(q, c));
        }
      }
      // A column whose squares underflow to h = 0 is left as it stands.
    }
    d[c] = A(c, c);
    w[c] = alpha;
    A(c, c) = h;
  }
  for (int c = n >= 2 ? n - 2 : 0; c < n; ++c) d[c] = A(c, c);
  if (n >= 2) w[n - 2] = A(n - 1, n - 2);

  // 2. V starts as the identity.
  if constexpr (kVectors) {
    for (int c = 0; c < n; ++c) {
      for (int r = 0; r < n; ++r) V(r, c) = r == c ? 1.0 : 0.0;
    }
  }

  // 3. Shifted QR sweeps from the bottom up: the eigenvalue of the trailing
  // 2 x 2 block nearer to d(l) is subtracted and added to a running total,
  // the active block rows 0..l is swept by plane rotations from the top row
  // down (factor into Q R, multiply back R Q), until the subdiagonal element
  // coupling row l is negligible; then row l holds an eigenvalue.
  double total = 0.0;
  for (int l = n - 1; l >= 1; --l) {
    for (int sweep = 0; sweep < kDiagatMaxSweeps && w[l - 1] * w[l - 1] > kDiagatThreshold; ++sweep) {
      const double dl1 = d[l - 1], dl = d[l], el = w[l - 1];
      const double mean = (dl1 + dl) / 2.0;
      const double half = (dl1 - dl) / 2.0;
      const double root = std::sqrt(half * half + el * el);
      const double up = mean + root, down = mean - root;
      const double shift = std::fabs(down - dl) < std::fabs(up - dl) ? down : up;
      for (int r = 0; r <= l; ++r) d[r] = d[r] - shift;
      total = total + shift;

      double alpha = d[0], beta = w[0];
      double c_prev = 1.0, s_prev = 0.0;
      for (int m = 0; m < l; ++m) {
        const double b = w[m];
        const double r = std::sqrt(alpha * alpha + b * b);
        double cs = 1.0, sn = 0.0;
        if (r != 0.0) {
          cs = alpha / r;
          sn = b / r;
        }
        if (m > 0) w[m - 1] = s_prev * r;  // T'(m, m-1)
        const double diag = c_prev * r;    // R(m, m) after the previous column rotation
        const double r_next = cs * beta + sn * d[m + 1];  // R(m, m+1)
        const double dm1 = d[m + 1];
        d[m] = cs * diag + sn * r_next;
        alpha = cs * dm1 - sn * beta;
        if (m + 1 < l) beta = cs * w[m + 1];
        c_prev = cs;
        s_prev = sn;
        if constexpr (kVectors) {
          for (int r2 = 0; r2 < n; ++r2) {
            const double vm = V(r2, m), vm1 = V(r2, m + 1);
            V(r2, m) = cs * vm + sn * vm1;
            V(r2, m + 1) = cs * vm1 - sn * vm;
          }
        }
      }
      w[l - 1] = s_prev * alpha;
      d[l] = c_prev * alpha;
    }
    d[l] = d[l] + total;
  }
  d[0] = d[0] + total;

  // 4. Ascending order by exchange passes; equal eigenvalues keep their order.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (int m = 0; m + 1 < n; ++m) {
      if (d[m] > d[m + 1]) {
        const double t = d[m];
        d[m] = d[m + 1];
        d[m + 1] = t;
        if constexpr (kVectors) {
          for (int r = 0; r < n; ++r) {
            const double tv = V(r, m);
            V(r, m) = V(r, m + 1);
            V(r, m + 1) = tv;
          }
        }
        swapped = true;
      }
    }
  }

  // 5. Back to the eigenvectors of the input matrix: V = H_0 H_1 ... V.
  if constexpr (kVectors) {
    for (int c = n - 3; c >= 0; --c) {
      const double h = A(c, c);
      if (h == 0.0) continue;
      for (int m = 0; m < n; ++m) {
        double s = A(c + 1, c) * V(c + 1, m);
        for (int r = c + 2; r < n; ++r) s += A(r, c) * V(r, m);
        const double f = s / h;
        for (int r = c + 1; r < n; ++r) V(r, m) = V(r, m) - f * A(r, c);
      }
    }
  }
}

}  // namespace tessaro::detail
