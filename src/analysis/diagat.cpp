// `diagat`: eigenvalues (ascending) and eigenvectors of a real symmetric
// matrix of any order; the algorithm lives in diagat_impl.hpp so that the
// fixed-size routine of rho*sign(lambda2) is the same code.
#include "analysis/diagat_impl.hpp"
#include "analysis/rdg_kernels.hpp"

namespace tessaro {

void diagat(int n, int ld, double* a, double* v, double* d, double* w) {
  detail::diagat_core<0, true>(n, ld, a, v, d, w);
}

}  // namespace tessaro
