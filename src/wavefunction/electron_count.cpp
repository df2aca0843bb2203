#include "wavefunction/electron_count.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

namespace tessaro {

namespace {

// Pairs whose product exp(-mu R^2) is below exp(-50) add nothing the check
// could see.
constexpr double kPairCutoff = 50.0;
constexpr int kMaxL = 5;

// Primitives with the same centre and exponent.
struct Shell {
  std::int32_t centre;
  double alpha;
  int lmax = 0;
  std::vector<std::size_t> prims;
};

std::vector<Shell> shells_of(const Wavefunction& w) {
  std::vector<Shell> shells;
  std::map<std::pair<std::int32_t, double>, std::size_t> index;
  for (std::size_t i = 0; i < static_cast<std::size_t>(w.nprims); ++i) {
    const auto key = std::make_pair(w.ict[i], w.exx[i]);
    auto it = index.find(key);
    if (it == index.end()) {
      it = index.emplace(key, shells.size()).first;
      shells.push_back(Shell{w.ict[i], w.exx[i], 0, {}});
    }
    Shell& sh = shells[it->second];
    const AngularPowers& p = angular_powers(w.type[i]);
    sh.lmax = std::max(sh.lmax, p.lx + p.ly + p.lz);
    sh.prims.push_back(i);
  }
  return shells;
}

using Table = std::array<std::array<double, kMaxL + 1>, kMaxL + 1>;

// The one-dimensional overlaps e[a][b] of (x - A)^a and (x - B)^b under
// exp(-p (x - P)^2), without the factor sqrt(pi / p): each power expanded
// about P, where the odd moments vanish and the even moment of t^n is
// (n - 1)!! / (2p)^(n/2).
void overlap_table(double pa, double pb, double p, int la, int lb, Table& e) {
  double moment[2 * kMaxL + 1];
  moment[0] = 1.0;
  for (int n = 1; n <= la + lb; ++n) moment[n] = n % 2 ? 0.0 : moment[n - 2] * (n - 1) / (2.0 * p);
  double pow_a[kMaxL + 1], pow_b[kMaxL + 1];
  pow_a[0] = pow_b[0] = 1.0;
  for (int k = 1; k <= kMaxL; ++k) pow_a[k] = pow_a[k - 1] * pa, pow_b[k] = pow_b[k - 1] * pb;
  static constexpr int kBinomial[kMaxL + 1][kMaxL + 1] = {{1},          {1, 1},          {1, 2, 1},
                                                          {1, 3, 3, 1}, {1, 4, 6, 4, 1}, {1, 5, 10, 10, 5, 1}};
  for (int a = 0; a <= la; ++a)
    for (int b = 0; b <= lb; ++b) {
      double s = 0.0;
      for (int i = 0; i <= a; ++i)
        for (int j = 0; j <= b; ++j)
          if ((i + j) % 2 == 0) s += kBinomial[a][i] * kBinomial[b][j] * pow_a[a - i] * pow_b[b - j] * moment[i + j];
      e[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = s;
    }
}

}  // namespace

double occupation_sum(const Wavefunction& wfn) {
  double n = 0.0;
  for (double p : wfn.po) n += p;
  return n;
}

bool electron_count_inconsistent(double integrated, double occupations) {
  return !(std::fabs(integrated - occupations) <= 1.0e-3 * std::fabs(occupations));
}

double orbital_electron_count(const Wavefunction& w) {
  const auto np = static_cast<std::size_t>(w.nprims);
  // Each primitive's coefficients in the occupied orbitals, plain and times
  // the occupation, side by side, so that a density-matrix element is one
  // dot product.
  std::vector<std::size_t> occupied;
  for (std::size_t m = 0; m < w.po.size(); ++m)
    if (w.po[m] != 0.0) occupied.push_back(m);
  const std::size_t no = occupied.size();
  if (no == 0) return 0.0;
  std::vector<double> c(np * no), nc(np * no);
  for (std::size_t i = 0; i < np; ++i)
    for (std::size_t o = 0; o < no; ++o) {
      c[i * no + o] = w.coefficient(i, occupied[o]);
      nc[i * no + o] = w.po[occupied[o]] * c[i * no + o];
    }
  const std::vector<Shell> shells = shells_of(w);
  double total = 0.0;
  Table ex, ey, ez;
  for (std::size_t s = 0; s < shells.size(); ++s) {
    const Shell& sa = shells[s];
    const auto ca = static_cast<std::size_t>(sa.centre);
    const double A[3] = {w.xc[ca], w.yc[ca], w.zc[ca]};
    for (std::size_t t = s; t < shells.size(); ++t) {
      const Shell& sb = shells[t];
      const auto cb = static_cast<std::size_t>(sb.centre);
      const double B[3] = {w.xc[cb], w.yc[cb], w.zc[cb]};
      const double p = sa.alpha + sb.alpha, mu = sa.alpha * sb.alpha / p;
      double r2 = 0.0, P[3];
      for (int d = 0; d < 3; ++d) {
        r2 += (A[d] - B[d]) * (A[d] - B[d]);
        P[d] = (sa.alpha * A[d] + sb.alpha * B[d]) / p;
      }
      if (mu * r2 > kPairCutoff) continue;
      const double k = std::exp(-mu * r2) * std::pow(std::numbers::pi / p, 1.5) * (s == t ? 1.0 : 2.0);
      overlap_table(P[0] - A[0], P[0] - B[0], p, sa.lmax, sb.lmax, ex);
      overlap_table(P[1] - A[1], P[1] - B[1], p, sa.lmax, sb.lmax, ey);
      overlap_table(P[2] - A[2], P[2] - B[2], p, sa.lmax, sb.lmax, ez);
      double pair = 0.0;
      for (const std::size_t i : sa.prims) {
        const AngularPowers& pi = angular_powers(w.type[i]);
        const double* ci = nc.data() + i * no;
        for (const std::size_t j : sb.prims) {
          const AngularPowers& pj = angular_powers(w.type[j]);
          const double* cj = c.data() + j * no;
          double d = 0.0;
          for (std::size_t o = 0; o < no; ++o) d += ci[o] * cj[o];
          pair += d * ex[static_cast<std::size_t>(pi.lx)][static_cast<std::size_t>(pj.lx)] *
                  ey[static_cast<std::size_t>(pi.ly)][static_cast<std::size_t>(pj.ly)] *
                  ez[static_cast<std::size_t>(pi.lz)][static_cast<std::size_t>(pj.lz)];
        }
      }
      total += k * pair;
    }
  }
  return total;
}

}  // namespace tessaro
