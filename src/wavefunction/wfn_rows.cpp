#include "wavefunction/wfn_rows.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <span>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "run/run_end.hpp"

// The four-lane vector type is internal to this file: its calling convention
// never crosses a library boundary.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tessaro {

namespace {

// Four points at a time. Each lane does exactly the scalar operations in the
// scalar order, so results do not depend on the lane width.
typedef double Vd __attribute__((vector_size(32)));
typedef std::int64_t Vm __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 4;

[[gnu::always_inline]] inline Vd load(const double* p) {
  Vd v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
[[gnu::always_inline]] inline void store(double* p, const Vd& v) { std::memcpy(p, &v, sizeof v); }

template <class V>
[[gnu::always_inline]] inline V splat(double d) {
  if constexpr (std::is_same_v<V, double>)
    return d;
  else
    return V{d, d, d, d};
}

// r times X^lx Y^ly Z^lz, one factor at a time from the left.
template <int LX, int LY, int LZ, class V>
[[gnu::always_inline]] inline V times_mono(const V& r, const V& X, const V& Y, const V& Z) {
  if constexpr (LX > 0)
    return times_mono<LX - 1, LY, LZ>(r * X, X, Y, Z);
  else if constexpr (LY > 0)
    return times_mono<0, LY - 1, LZ>(r * Y, X, Y, Z);
  else if constexpr (LZ > 0)
    return times_mono<0, 0, LZ - 1>(r * Z, X, Y, Z);
  else
    return r;
}

// X^lx Y^ly Z^lz as a left-to-right product of its factors, 1 for none.
template <int LX, int LY, int LZ, class V>
[[gnu::always_inline]] inline V mono(const V& X, const V& Y, const V& Z) {
  if constexpr (LX > 0)
    return times_mono<LX - 1, LY, LZ>(X, X, Y, Z);
  else if constexpr (LY > 0)
    return times_mono<0, LY - 1, LZ>(Y, X, Y, Z);
  else if constexpr (LZ > 0)
    return times_mono<0, 0, LZ - 1>(Z, X, Y, Z);
  else
    return splat<V>(1.0);
}

// One first-derivative term l X^(l-1) ... E (absent when l = 0).
template <int LX, int LY, int LZ, class V>
[[gnu::always_inline]] inline V lower_term(const V& X, const V& Y, const V& Z, const V& E, int l) {
  V g = mono<LX, LY, LZ>(X, Y, Z) * E;
  if (l > 1) g = g * splat<V>(static_cast<double>(l));
  return g;
}

// The formulas of one angular type (lx, ly, lz), written out for its monomial.
// t = (M E) S serves the value (types s and d: (M E S) x D) and the S parts of
// the gradient and Laplacian.
template <int LX, int LY, int LZ, class V>
[[gnu::always_inline]] inline void eval_full(const V& X, const V& Y, const V& Z, const V& R2, const V& E, double S, double D, V& chi, V& chix, V& chiy, V& chiz,
                      V& chid2) {
  constexpr int L = LX + LY + LZ;
  const V M = mono<LX, LY, LZ>(X, Y, Z);
  const V t = (M * E) * splat<V>(S);
  if constexpr (L == 0 || L == 2)
    chi = t * splat<V>(D);
  else
    chi = M * E;
  chix = X * t;
  chiy = Y * t;
  chiz = Z * t;
  if constexpr (LX > 0) chix = chix + lower_term<LX - 1, LY, LZ>(X, Y, Z, E, LX);
  if constexpr (LY > 0) chiy = chiy + lower_term<LX, LY - 1, LZ>(X, Y, Z, E, LY);
  if constexpr (LZ > 0) chiz = chiz + lower_term<LX, LY, LZ - 1>(X, Y, Z, E, LZ);
  chid2 = (R2 * splat<V>(S) + splat<V>(2.0 * L + 3.0)) * t;
  if constexpr (LX > 1) chid2 = chid2 + lower_term<LX - 2, LY, LZ>(X, Y, Z, E, LX * (LX - 1));
  if constexpr (LY > 1) chid2 = chid2 + lower_term<LX, LY - 2, LZ>(X, Y, Z, E, LY * (LY - 1));
  if constexpr (LZ > 1) chid2 = chid2 + lower_term<LX, LY, LZ - 2>(X, Y, Z, E, LZ * (LZ - 1));
}

template <int LX, int LY, int LZ, class V>
[[gnu::always_inline]] inline V eval_value(const V& X, const V& Y, const V& Z, const V& E) {
  if constexpr (LX + LY + LZ == 0)
    return E;
  else
    return mono<LX, LY, LZ>(X, Y, Z) * E;
}

// One primitive over a row, np points (a multiple of kLanes).
struct RowArgs {
  const double *X, *Y, *Z, *R2, *E;
  double S, D;
  double *chi, *chix, *chiy, *chiz, *chid2;
  std::size_t np;
};

// Lane-wise running maximum of |v| (replaced only by a strictly larger value,
// so a not-a-number never enters) and a mark of values that are not finite.
struct RowMax {
  Vd m = {};
  Vm bad = {};
  [[gnu::always_inline]] void take(const Vd& v) {
    const Vm bits = reinterpret_cast<Vm>(v) & std::numeric_limits<std::int64_t>::max();
    const Vd a = reinterpret_cast<Vd>(bits);
    m = a > m ? a : m;
    bad |= ~(a <= std::numeric_limits<double>::max());
  }
  // The largest of the lanes; the largest of a set does not depend on the
  // order in which it is scanned.
  double value(bool& nonfinite) const {
    double r = 0.0;
    for (std::size_t l = 0; l < kLanes; ++l) {
      if (m[l] > r) r = m[l];
      if (bad[l]) nonfinite = true;
    }
    return r;
  }
};

template <int LX, int LY, int LZ>
void full_row(const RowArgs& a, RowMax& mx) {
  for (std::size_t k = 0; k < a.np; k += kLanes) {
    Vd c, cx, cy, cz, c2;
    eval_full<LX, LY, LZ, Vd>(load(a.X + k), load(a.Y + k), load(a.Z + k), load(a.R2 + k), load(a.E + k), a.S, a.D, c,
                              cx, cy, cz, c2);
    store(a.chi + k, c);
    store(a.chix + k, cx);
    store(a.chiy + k, cy);
    store(a.chiz + k, cz);
    store(a.chid2 + k, c2);
    mx.take(c);
    mx.take(cx);
    mx.take(cy);
    mx.take(cz);
    mx.take(c2);
  }
}

template <int LX, int LY, int LZ>
void value_row(const RowArgs& a, RowMax& mx) {
  for (std::size_t k = 0; k < a.np; k += kLanes) {
    const Vd c = eval_value<LX, LY, LZ, Vd>(load(a.X + k), load(a.Y + k), load(a.Z + k), load(a.E + k));
    store(a.chi + k, c);
    mx.take(c);
  }
}

template <int LX, int LY, int LZ>
PrimitivePoint full_point(double X, double Y, double Z, double R2, double E, double S, double D) {
  PrimitivePoint p;
  eval_full<LX, LY, LZ, double>(X, Y, Z, R2, E, S, D, p.chi, p.chix, p.chiy, p.chiz, p.chid2);
  return p;
}

template <int LX, int LY, int LZ>
double value_point(double X, double Y, double Z, double E) {
  return eval_value<LX, LY, LZ, double>(X, Y, Z, E);
}

struct TypeEntry {
  int lx, ly, lz;
  void (*full)(const RowArgs&, RowMax&);
  void (*value)(const RowArgs&, RowMax&);
  PrimitivePoint (*full_pt)(double, double, double, double, double, double, double);
  double (*value_pt)(double, double, double, double);
};

template <std::size_t T>
constexpr TypeEntry type_entry_of() {
  constexpr AngularPowers p = kAngularPowers[T];
  return TypeEntry{p.lx,
                   p.ly,
                   p.lz,
                   &full_row<p.lx, p.ly, p.lz>,
                   &value_row<p.lx, p.ly, p.lz>,
                   &full_point<p.lx, p.ly, p.lz>,
                   &value_point<p.lx, p.ly, p.lz>};
}

template <std::size_t... T>
constexpr std::array<TypeEntry, sizeof...(T)> type_table(std::index_sequence<T...>) {
  return {type_entry_of<T>()...};
}

// Every angular type 1..56, each with the loops written out for its monomial.
constexpr std::array<TypeEntry, kMaxPrimitiveType> kTypes =
    type_table(std::make_index_sequence<static_cast<std::size_t>(kMaxPrimitiveType)>());

const TypeEntry& type_entry(int t) { return kTypes[static_cast<std::size_t>(t - 1)]; }

// Upper bounds of a primitive's magnitudes over a row. For a term
// r^p exp(-alpha r^2) with r^2 >= closest_r2 (the smallest squared distance
// from the centre on the row) the largest value is taken at
// r^2 = max(closest_r2, p / (2 alpha)). h[p] is that bound for p = 0..pmax
// (at most L + 2 = 7 for h functions with derivatives), enlarged so that
// rounding in the computed values and in this bound cannot matter.
void term_bounds(double alpha, double closest_r2, int pmax, double h[kTermPowers]) {
  double last_u = -1.0, last_e = 0.0;
  for (int p = 0; p <= pmax; ++p) {
    const double u = std::max(closest_r2, p / (2.0 * alpha));
    if (u != last_u) {
      last_u = u;
      last_e = std::exp(-(u * alpha));
    }
    const double r = std::sqrt(u);
    double rp = 1.0;
    for (int q = 0; q < p; ++q) rp *= r;
    h[p] = rp * last_e * 1.0001;
  }
}

// Bound of max(|value|, |gradient components|, |Laplacian|) (with_derivatives)
// or of |value| over the row.
double primitive_bound(int t, double alpha, const double h[kTermPowers], bool with_derivatives) {
  const TypeEntry& e = type_entry(t);
  const int L = e.lx + e.ly + e.lz;
  const double value = h[L];
  if (!with_derivatives) return value;
  const int lmax = std::max({e.lx, e.ly, e.lz});
  const double s = 2.0 * alpha;
  double grad = s * h[L + 1];
  if (lmax > 0) grad += lmax * h[L - 1];
  double extra = e.lx * (e.lx - 1) + e.ly * (e.ly - 1) + e.lz * (e.lz - 1);
  double lap = s * (s * h[L + 2] + (2.0 * L + 3.0) * h[L]);
  if (extra > 0) lap += extra * h[L - 2];
  return std::max({value, grad, lap}) * 1.0001;
}

// outs[o][k] = sum over the given slots j, in order, of coef[j][m0 + o] x a[j][k],
// for one block of four orbitals and all points. Accumulators stay in registers
// over the whole primitive sum.
// GCC builds an AVX2 clone chosen at run time; clang (fuzzing builds) takes the
// baseline only. Both do the same IEEE operations in the same order.
#if defined(__GNUC__) && !defined(__clang__)
#define TESSARO_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TESSARO_ROW_CLONES
#endif
TESSARO_ROW_CLONES void accumulate_block(const double* a, std::size_t np, const double* coef, std::size_t ldc,
                                         const std::int32_t* slots, std::size_t nslots, double* const* outs,
                                         std::size_t m0) {
  double* o0 = outs[0];
  double* o1 = outs[1];
  double* o2 = outs[2];
  double* o3 = outs[3];
  for (std::size_t k = 0; k < np; k += 2 * kLanes) {
    Vd a00 = {}, a01 = {}, a10 = {}, a11 = {}, a20 = {}, a21 = {}, a30 = {}, a31 = {};
    for (std::size_t u = 0; u < nslots; ++u) {
      const std::int32_t j = slots[u];
      const double* col = a + static_cast<std::size_t>(j) * np + k;
      const Vd v0 = load(col), v1 = load(col + kLanes);
      const double* c = coef + static_cast<std::size_t>(j) * ldc + m0;
      const Vd c0 = splat<Vd>(c[0]), c1 = splat<Vd>(c[1]), c2 = splat<Vd>(c[2]), c3 = splat<Vd>(c[3]);
      a00 = a00 + c0 * v0;
      a01 = a01 + c0 * v1;
      a10 = a10 + c1 * v0;
      a11 = a11 + c1 * v1;
      a20 = a20 + c2 * v0;
      a21 = a21 + c2 * v1;
      a30 = a30 + c3 * v0;
      a31 = a31 + c3 * v1;
    }
    store(o0 + k, a00);
    store(o0 + k + kLanes, a01);
    store(o1 + k, a10);
    store(o1 + k + kLanes, a11);
    store(o2 + k, a20);
    store(o2 + k + kLanes, a21);
    store(o3 + k, a30);
    store(o3 + k + kLanes, a31);
  }
}

void exp_row(const double* r2, double alpha, std::size_t n, std::size_t np, double* e) {
  for (std::size_t k = 0; k < n; ++k) {
    const double arg = -(r2[k] * alpha);
    e[k] = arg < kExpZeroBelow ? 0.0 : std::exp(arg);
  }
  for (std::size_t k = n; k < np; ++k) e[k] = 0.0;
}

// Smallest squared distance of each centre from the row.
void closest_approach(const WfnVar& v, WfnRow& row) {
  const std::size_t np = row.np, n = row.n;
  for (std::size_t a = 0; a < static_cast<std::size_t>(v.wfn.ncent); ++a) {
    double m = std::numeric_limits<double>::infinity();
    const double* r = row.r2.data() + a * np;
    for (std::size_t k = 0; k < n; ++k) m = std::min(m, r[k]);
    row.closest_r2[a] = m;
  }
}

// Primitives that may pass the cutoff for some orbital somewhere on the row
// get a slot. A primitive whose bound times its largest coefficient cannot
// pass is left out of every orbital, exactly as the cutoff would leave it out.
void select_primitives(const WfnVar& v, WfnRow& row, bool full) {
  const Wavefunction& w = v.wfn;
  row.active_prims.clear();
  std::fill(row.slot_of.begin(), row.slot_of.end(), -1);
  std::fill(row.shell_exp_slot.begin(), row.shell_exp_slot.end(), -1);
  std::fill(row.chimax.begin(), row.chimax.end(), 0.0);
  // No points: every maximum stays 0 and nothing contributes.
  if (row.n == 0) return;
  for (std::size_t s = 0; s < v.shells.size(); ++s) {
    const WfnVar::Shell& sh = v.shells[s];
    term_bounds(sh.alpha, row.closest_r2[static_cast<std::size_t>(sh.centre)], sh.lmax + (full ? 2 : 0),
                row.term_bound.data() + kTermPowers * s);
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(w.nprims); ++i) {
    const std::size_t s = static_cast<std::size_t>(v.shell_of[i]);
    const double b = primitive_bound(w.type[i], v.shells[s].alpha, row.term_bound.data() + kTermPowers * s, full);
    if (b * v.largest_coefficient[i] * 1.0001 <= kContributionCutoff) continue;
    row.slot_of[i] = static_cast<std::int32_t>(row.active_prims.size());
    row.active_prims.push_back(static_cast<std::int32_t>(i));
  }
}

// One exponential per shell and point, shared by the primitives of a shell
// (exp of the same argument is the same number).
void shell_exponentials(const WfnVar& v, WfnRow& row) {
  const std::size_t np = row.np;
  std::size_t nexp = 0;
  for (std::int32_t i : row.active_prims) {
    const std::int32_t s = v.shell_of[static_cast<std::size_t>(i)];
    if (row.shell_exp_slot[static_cast<std::size_t>(s)] >= 0) continue;
    row.shell_exp_slot[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(nexp);
    const WfnVar::Shell& sh = v.shells[static_cast<std::size_t>(s)];
    exp_row(row.r2.data() + static_cast<std::size_t>(sh.centre) * np, sh.alpha, row.n, np,
            row.shell_exp.data() + nexp * np);
    ++nexp;
  }
}

// Primitive values (and derivatives) of the row and their row maxima.
// Returns the largest |chimax x coefficient|; sets nonfinite when a value on
// the row is not finite.
double primitive_rows(const WfnVar& v, WfnRow& row, bool full, bool& nonfinite) {
  const Wavefunction& w = v.wfn;
  const std::size_t np = row.np;
  double largest = 0.0;
  for (std::size_t j = 0; j < row.active_prims.size(); ++j) {
    const std::size_t i = static_cast<std::size_t>(row.active_prims[j]);
    const std::size_t a = static_cast<std::size_t>(w.ict[i]);
    const std::size_t shell = static_cast<std::size_t>(v.shell_of[i]);
    const std::size_t exp_slot = static_cast<std::size_t>(row.shell_exp_slot[shell]);
    RowArgs args{row.dx.data() + a * np, row.dy.data() + a * np, row.dz.data() + a * np, row.r2.data() + a * np,
                 row.shell_exp.data() + exp_slot * np, w.sum[i], w.div[i], row.chi.data() + j * np, nullptr, nullptr,
                 nullptr, nullptr, np};
    // Padding points have E = 0, so their values are zeros and never raise
    // the maximum of the row's points.
    RowMax mx;
    if (full) {
      args.chix = row.chix.data() + j * np;
      args.chiy = row.chiy.data() + j * np;
      args.chiz = row.chiz.data() + j * np;
      args.chid2 = row.chid2.data() + j * np;
      type_entry(w.type[i]).full(args, mx);
    } else {
      type_entry(w.type[i]).value(args, mx);
    }
    const double m = mx.value(nonfinite);
    row.chimax[i] = m;
    largest = std::max(largest, m * v.largest_coefficient[i]);
  }
  return largest;
}

// The orbitals filled on this row, and the effective coefficients: c where
// |chimax x c| > cutoff, else 0. An unoccupied orbital is passed over only
// when every orbital value, and every square and product of them that the
// properties form, is certainly finite (0 times a finite number is 0).
void row_coefficients(const WfnVar& v, WfnRow& row, bool nonfinite, double largest) {
  const Wavefunction& w = v.wfn;
  const std::size_t nact = row.active_prims.size(), ldc = v.nmo_pad;
  row.row_orbitals.clear();
  if (v.skip_unoccupied && !nonfinite && largest * static_cast<double>(nact + 1) <= 1.0e150) {
    row.row_orbitals = v.occupied_orbitals;
  } else {
    for (std::size_t mo = 0; mo < static_cast<std::size_t>(w.nmo); ++mo)
      row.row_orbitals.push_back(static_cast<std::int32_t>(mo));
  }
  const std::size_t nrow = row.row_orbitals.size();
  for (std::size_t j = 0; j < nact; ++j) {
    const std::size_t i = static_cast<std::size_t>(row.active_prims[j]);
    const double m = row.chimax[i];
    double* c = row.effective_coef.data() + j * ldc;
    for (std::size_t o = 0; o < nrow; ++o) {
      const double coef = w.coefficient(i, static_cast<std::size_t>(row.row_orbitals[o]));
      c[o] = std::fabs(m * coef) > kContributionCutoff ? coef : 0.0;
    }
    for (std::size_t o = nrow; o < ldc; ++o) c[o] = 0.0;
  }
}

// A primitive buffer and the orbital buffer its terms add up to.
struct Quantity {
  const std::vector<double>* prim;
  std::vector<double>* orbital;
};

// A value that is not finite would turn a left-out contribution (a zero
// coefficient times it) into a not-a-number: add term by term instead.
void accumulate_term_by_term(const WfnVar& v, WfnRow& row, std::span<const Quantity> quantities) {
  const std::size_t np = row.np, nact = row.active_prims.size(), ldc = v.nmo_pad;
  for (const Quantity& q : quantities) {
    std::vector<double>& out = *q.orbital;
    std::fill(out.begin(), out.end(), 0.0);
    for (std::size_t o = 0; o < row.row_orbitals.size(); ++o) {
      double* dst = out.data() + static_cast<std::size_t>(row.row_orbitals[o]) * np;
      for (std::size_t j = 0; j < nact; ++j) {
        const double c = row.effective_coef[j * ldc + o];
        if (c == 0.0) continue;
        const double* col = q.prim->data() + j * np;
        for (std::size_t k = 0; k < np; ++k) dst[k] = dst[k] + c * col[k];
      }
    }
  }
}

// Orbitals four at a time. A primitive left out of an orbital has an
// effective coefficient of 0 there; adding its product (a zero) changes no
// sum, since a sum started at +0 is never -0.
void accumulate_in_blocks(const WfnVar& v, WfnRow& row, std::span<const Quantity> quantities) {
  const std::size_t np = row.np, nact = row.active_prims.size(), ldc = v.nmo_pad;
  const std::size_t nrow = row.row_orbitals.size();
  for (std::size_t m0 = 0; m0 < nrow; m0 += 4) {
    row.block_prims.clear();
    for (std::size_t j = 0; j < nact; ++j) {
      const double* c = row.effective_coef.data() + j * ldc + m0;
      if (c[0] != 0.0 || c[1] != 0.0 || c[2] != 0.0 || c[3] != 0.0)
        row.block_prims.push_back(static_cast<std::int32_t>(j));
    }
    for (const Quantity& q : quantities) {
      double* outs[4];
      for (std::size_t o = 0; o < 4; ++o)
        outs[o] = m0 + o < nrow ? q.orbital->data() + static_cast<std::size_t>(row.row_orbitals[m0 + o]) * np
                                : row.padding_out.data();
      accumulate_block(q.prim->data(), np, row.effective_coef.data(), ldc, row.block_prims.data(),
                       row.block_prims.size(), outs, m0);
    }
  }
}

// The additional density functions on the row: the sum over them, in file
// order, of coefficient x primitive (with derivatives: of its gradient and
// Laplacian too), each primitive formed as the evaluators form it.
void density_function_rows(const WfnVar& v, WfnRow& row, bool full) {
  const Wavefunction& w = v.wfn;
  const std::size_t np = row.np;
  std::fill(row.edf_rho.begin(), row.edf_rho.end(), 0.0);
  if (full)
    for (std::vector<double>* b : {&row.edf_gx, &row.edf_gy, &row.edf_gz, &row.edf_d2})
      std::fill(b->begin(), b->end(), 0.0);
  for (std::size_t e = 0; e < w.edf_coef.size(); ++e) {
    const std::size_t a = static_cast<std::size_t>(w.edf_ict[e]) * np;
    const TypeEntry& entry = type_entry(w.edf_type[e]);
    const double alpha = w.edf_exx[e], c = w.edf_coef[e];
    const double S = -(alpha + alpha), D = 1.0 / S;
    for (std::size_t k = 0; k < row.n; ++k) {
      const double X = row.dx[a + k], Y = row.dy[a + k], Z = row.dz[a + k], R2 = row.r2[a + k];
      const double arg = -(R2 * alpha);
      const double E = arg < kExpZeroBelow ? 0.0 : std::exp(arg);
      if (!full) {
        row.edf_rho[k] = row.edf_rho[k] + c * entry.value_pt(X, Y, Z, E);
        continue;
      }
      const PrimitivePoint p = entry.full_pt(X, Y, Z, R2, E, S, D);
      row.edf_rho[k] = row.edf_rho[k] + c * p.chi;
      row.edf_gx[k] = row.edf_gx[k] + c * p.chix;
      row.edf_gy[k] = row.edf_gy[k] + c * p.chiy;
      row.edf_gz[k] = row.edf_gz[k] + c * p.chiz;
      row.edf_d2[k] = row.edf_d2[k] + c * p.chid2;
    }
  }
}

// The shared body of both evaluators.
void evaluate_row(const WfnVar& v, WfnRow& row, bool full) {
  closest_approach(v, row);
  select_primitives(v, row, full);
  shell_exponentials(v, row);
  bool nonfinite = false;
  const double largest = primitive_rows(v, row, full, nonfinite);
  row_coefficients(v, row, nonfinite, largest);

  const Quantity all[5] = {
      {&row.chi, &row.psi}, {&row.chix, &row.gx}, {&row.chiy, &row.gy}, {&row.chiz, &row.gz}, {&row.chid2, &row.d2}};
  const std::span<const Quantity> quantities(all, full ? 5 : 1);
  if (nonfinite)
    accumulate_term_by_term(v, row, quantities);
  else
    accumulate_in_blocks(v, row, quantities);
  if (!v.wfn.edf_coef.empty()) density_function_rows(v, row, full);
}

}  // namespace

PrimitivePoint primitive_point(int t, double X, double Y, double Z, double R2, double E, double S, double D) {
  return type_entry(t).full_pt(X, Y, Z, R2, E, S, D);
}

double primitive_value_point(int t, double X, double Y, double Z, double E) {
  return type_entry(t).value_pt(X, Y, Z, E);
}

void WfnVar::setup(std::size_t points, bool with_derivatives, bool with_energy) {
  const Wavefunction& w = wfn;
  n = points;
  np = (points + kRowPad - 1) / kRowPad * kRowPad;
  derivatives = with_derivatives;
  const std::size_t ncent = static_cast<std::size_t>(w.ncent);
  const std::size_t nprims = static_cast<std::size_t>(w.nprims);
  nmo_pad = (static_cast<std::size_t>(w.nmo) + 3) / 4 * 4;
  occupied_orbitals.clear();
  for (std::size_t m = 0; m < static_cast<std::size_t>(w.nmo); ++m)
    if (w.po[m] != 0.0) occupied_orbitals.push_back(static_cast<std::int32_t>(m));
  row_orbitals.clear();

  // Shells: stored primitives with the same centre and exponent share one
  // exponential per point.
  std::map<std::pair<std::int32_t, double>, std::int32_t> index;
  shells.clear();
  shell_of.assign(nprims, 0);
  for (std::size_t i = 0; i < nprims; ++i) {
    auto key = std::make_pair(w.ict[i], w.exx[i]);
    auto it = index.find(key);
    if (it == index.end()) {
      it = index.emplace(key, static_cast<std::int32_t>(shells.size())).first;
      shells.push_back(Shell{w.ict[i], w.exx[i], 0});
    }
    Shell& sh = shells[static_cast<std::size_t>(it->second)];
    const TypeEntry& e = type_entry(w.type[i]);
    sh.lmax = std::max(sh.lmax, e.lx + e.ly + e.lz);
    shell_of[i] = it->second;
  }
  largest_coefficient.assign(nprims, 0.0);
  for (std::size_t i = 0; i < nprims; ++i)
    for (std::size_t m = 0; m < static_cast<std::size_t>(w.nmo); ++m)
      largest_coefficient[i] = std::max(largest_coefficient[i], std::fabs(w.coefficient(i, m)));

  const std::size_t nbuf = with_derivatives ? 5 : 1;
  check_allocation(np, (3 + 4 * ncent + 4) * sizeof(double));
  check_allocation(np * nprims, (nbuf + 1) * sizeof(double));
  check_allocation(np * nmo_pad, nbuf * sizeof(double));
  x1.assign(np, 0.0);
  x2.assign(np, 0.0);
  x3.assign(np, 0.0);
  dx.assign(np * ncent, 0.0);
  dy.assign(np * ncent, 0.0);
  dz.assign(np * ncent, 0.0);
  r2.assign(np * ncent, 0.0);
  closest_r2.assign(ncent, 0.0);
  chimax.assign(nprims, 0.0);
  slot_of.assign(nprims, -1);
  shell_exp_slot.assign(shells.size(), -1);
  term_bound.assign(shells.size() * kTermPowers, 0.0);
  active_prims.reserve(nprims);
  block_prims.reserve(nprims);
  effective_coef.assign(nprims * nmo_pad, 0.0);
  shell_exp.assign(np * shells.size(), 0.0);
  chi.assign(np * nprims, 0.0);
  if (with_derivatives) {
    chix.assign(np * nprims, 0.0);
    chiy.assign(np * nprims, 0.0);
    chiz.assign(np * nprims, 0.0);
    chid2.assign(np * nprims, 0.0);
  }
  psi.assign(np * nmo_pad, 0.0);
  if (with_derivatives) {
    gx.assign(np * nmo_pad, 0.0);
    gy.assign(np * nmo_pad, 0.0);
    gz.assign(np * nmo_pad, 0.0);
    d2.assign(np * nmo_pad, 0.0);
  }
  padding_out.assign(np, 0.0);
  if (!w.edf_coef.empty()) {
    edf_rho.assign(np, 0.0);
    if (with_derivatives)
      for (std::vector<double>* b : {&edf_gx, &edf_gy, &edf_gz, &edf_d2}) b->assign(np, 0.0);
  }
  sumr.assign(np, 0.0);
  if (with_energy) {
    sumr2.assign(np, 0.0);
    sumr3.assign(np, 0.0);
    sumr4.assign(np, 0.0);
  }
}

void WfnRow::update_geometry(const Wavefunction& w) {
  for (std::size_t a = 0; a < static_cast<std::size_t>(w.ncent); ++a) {
    double* px = dx.data() + a * np;
    double* py = dy.data() + a * np;
    double* pz = dz.data() + a * np;
    double* pr = r2.data() + a * np;
    for (std::size_t k = 0; k < n; ++k) {
      px[k] = x1[k] - w.xc[a];
      py[k] = x2[k] - w.yc[a];
      pz[k] = x3[k] - w.zc[a];
      pr[k] = px[k] * px[k] + py[k] * py[k] + pz[k] * pz[k];
    }
  }
}

void moderiv_calc(const WfnVar& v, WfnRow& row) {
  if (!row.derivatives) throw std::logic_error("moderiv_calc: the derivative buffers were not set up");
  evaluate_row(v, row, true);
}
void rho_calc(const WfnVar& v, WfnRow& row) { evaluate_row(v, row, false); }

void density_row(const WfnVar& v, const WfnRow& row, double* out) {
  const std::size_t np = row.np;
  std::fill(out, out + np, 0.0);
  for (const std::int32_t mi : row.row_orbitals) {
    const std::size_t m = static_cast<std::size_t>(mi);
    const Vd occ = splat<Vd>(v.wfn.po[m]);
    const double* p = row.psi.data() + m * np;
    for (std::size_t k = 0; k < np; k += kLanes) {
      const Vd pk = load(p + k);
      store(out + k, load(out + k) + (occ * pk) * pk);
    }
  }
  if (!v.wfn.edf_coef.empty())
    for (std::size_t k = 0; k < np; ++k) out[k] = out[k] + row.edf_rho[k];
}

void gradient_row(const WfnVar& v, const WfnRow& row, double* out) {
  const std::size_t np = row.np;
  const bool edf = !v.wfn.edf_coef.empty();
  for (std::size_t k = 0; k < np; k += kLanes) {
    Vd gxs = {}, gys = {}, gzs = {};
    for (const std::int32_t mi : row.row_orbitals) {
      const std::size_t o = static_cast<std::size_t>(mi) * np + k;
      const std::size_t m = static_cast<std::size_t>(mi);
      const Vd two_n = splat<Vd>(2.0 * v.wfn.po[m]);
      const Vd t = two_n * load(row.psi.data() + o);
      gxs = gxs + t * load(row.gx.data() + o);
      gys = gys + t * load(row.gy.data() + o);
      gzs = gzs + t * load(row.gz.data() + o);
    }
    if (edf) {
      gxs = gxs + load(row.edf_gx.data() + k);
      gys = gys + load(row.edf_gy.data() + k);
      gzs = gzs + load(row.edf_gz.data() + k);
    }
    const Vd s = gxs * gxs + gys * gys + gzs * gzs;
    for (std::size_t l = 0; l < kLanes; ++l) out[k + l] = std::sqrt(s[l]);
  }
}

void laplacian_row(const WfnVar& v, const WfnRow& row, double* out) {
  const std::size_t np = row.np;
  std::fill(out, out + np, 0.0);
  for (const std::int32_t mi : row.row_orbitals) {
    const std::size_t m = static_cast<std::size_t>(mi);
    const Vd two_n = splat<Vd>(2.0 * v.wfn.po[m]);
    const std::size_t o = m * np;
    for (std::size_t k = 0; k < np; k += kLanes) {
      const Vd a = load(row.gx.data() + o + k), b = load(row.gy.data() + o + k), c = load(row.gz.data() + o + k);
      const Vd q = a * a + b * b + c * c;
      const Vd pl = load(row.psi.data() + o + k) * load(row.d2.data() + o + k) + q;
      store(out + k, load(out + k) + two_n * pl);
    }
  }
  if (!v.wfn.edf_coef.empty())
    for (std::size_t k = 0; k < np; ++k) out[k] = out[k] + row.edf_d2[k];
}

void energy_rows(const WfnVar& v, const WfnRow& row, double* g, double* lap, double* pot, double* tot) {
  const std::size_t np = row.np;
  std::fill(g, g + np, 0.0);
  std::fill(lap, lap + np, 0.0);
  for (const std::int32_t mi : row.row_orbitals) {
    const std::size_t m = static_cast<std::size_t>(mi);
    const Vd half_n = splat<Vd>(0.5 * v.wfn.po[m]);
    const Vd two_n = splat<Vd>(2.0 * v.wfn.po[m]);
    const std::size_t o = m * np;
    for (std::size_t k = 0; k < np; k += kLanes) {
      const Vd a = load(row.gx.data() + o + k), b = load(row.gy.data() + o + k), c = load(row.gz.data() + o + k);
      const Vd q = a * a + b * b + c * c;
      store(g + k, load(g + k) + half_n * q);
      const Vd pl = load(row.psi.data() + o + k) * load(row.d2.data() + o + k) + q;
      store(lap + k, load(lap + k) + pl * two_n);
    }
  }
  // G comes from the orbitals alone; the Laplacian of V and H is the whole one.
  if (!v.wfn.edf_coef.empty())
    for (std::size_t k = 0; k < np; ++k) lap[k] = lap[k] + row.edf_d2[k];
  for (std::size_t k = 0; k < np; k += kLanes) {
    const Vd gk = load(g + k);
    const Vd vk = splat<Vd>(0.25) * load(lap + k) - (gk + gk);
    store(pot + k, vk);
    store(tot + k, vk + gk);
  }
}

}  // namespace tessaro
