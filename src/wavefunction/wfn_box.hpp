#pragma once
// The box grid of the WFN section and the evaluation of its properties row by
// row, apart from reading the wavefunction and writing the cube files.
#include <array>
#include <cstdint>
#include <vector>

#include "run/input_variables.hpp"
#include "wavefunction/wfn_rows.hpp"

namespace tessaro {

struct WfnBox {
  std::array<float, 3> origin{};  // OX, OY, OZ
  std::array<std::int32_t, 3> n{};  // NX, NY, NZ
  std::array<float, 3> step{};    // SX, SY, SZ
  std::size_t size() const;       // NX*NY*NZ, 0 when a count is not positive
};

// The box of the settings: every intermediate of the origin rounded to single
// precision, as the header geometry is.
WfnBox wfn_box(const InputVariables& iv);

// Switches of the CALCULATING line.
struct WfnSwitches {
  bool rho = false, gra = false, lap = false, ene = false;
  bool any() const { return rho || gra || lap || ene; }
};
WfnSwitches wfn_switches(const InputVariables& iv);

// The y of every row j and the z of every plane k: the origin's, then one
// widened step added at a time (y starts again from the origin in every
// plane), so that row (j, k) has the coordinates that the rows before it
// reach one after the other: y[2] is (OY + SY) + SY, not OY + 2 SY.
struct WfnRowPositions {
  std::vector<double> y, z;
};
WfnRowPositions wfn_row_positions(const WfnBox& box);

// The result grids, NX*NY*NZ values each with x fastest; only those of the
// switches that are set are allocated.
struct WfnGrids {
  std::vector<double> rho_array_wfn, grad_array_wfn, lapl_array_wfn, g_array_wfn, v_array_wfn, h_array_wfn;
};

// Sets up the row buffers of v (whose wfn is read) and evaluates every row of
// the box into the grids of the switches that are set. The rows are spread
// over the threads, each row computed whole by one thread in a row of its
// own; v's own row serves the first thread.
class Progress;
// `progress`, when given, advances by one per row.
void wfn_evaluate_box(WfnVar& v, const WfnBox& box, const WfnSwitches& sw, WfnGrids& grids,
                      Progress* progress = nullptr);

}  // namespace tessaro
