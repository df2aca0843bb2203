#pragma once
// The Hessians of whole rows of interior points, with the nested first
// derivatives of the mixed terms computed once per point and kept for the
// five planes k-2 .. k+2 (axes 1 and 2) and for plane k (axis 3), instead of
// 30 stencils per point. Every element is evaluated with the operations of
// `hessian`, in the same order, so the two agree to the bit.
#include <cstddef>
#include <vector>

#include "analysis/rdg_stencils.hpp"
#include "grid/grid_data.hpp"

namespace tessaro {

class HessianPlanes {
 public:
  // The grid must have an interior (five points along every axis) and must
  // outlive this object. Allocates 11 planes and 6 rows of work space.
  explicit HessianPlanes(const GridData& rho);

  // The next rows asked for start at plane `first_plane` (2 or more; 2 at
  // first), so that one object serves a thread's slabs of planes in turn.
  void start(std::size_t first_plane);

  // Computes the Hessians of the interior points (i, j, k), 2 <= i < N1 - 2,
  // of one interior row; k must not decrease from one call to the next
  // (until the next `start`).
  void row(std::size_t j, std::size_t k);

  // Elements of the last row, indexed by i: 0 = (1,1), 1 = (2,2), 2 = (3,3),
  // 3 = (1,2), 4 = (1,3), 5 = (2,3).
  const double* element(int e) const { return rows_.data() + e * n1_; }

 private:
  using Offset = stencil::Offset;
  void fill_plane(Offset kk);
  void set_plane(Offset k);

  static constexpr Offset kRing = 5;
  const double* f_;
  Offset n1_, n2_, plane_;
  stencil::Denominators den_;
  std::vector<double> d1_ring_, d2_ring_, d3_, rows_;
  Offset filled_ = 0;    // planes first_plane - 2 .. filled_ - 1 are in the ring
  Offset current_ = -1;  // the plane k that d3_ holds (none yet)
};

}  // namespace tessaro
