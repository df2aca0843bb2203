#pragma once
// `wfn_var`: the wavefunction and its tables, the row geometry and the row
// buffers of the WFN section, and the row evaluators `moderiv_calc` /
// `rho_calc` with the density, gradient-magnitude, Laplacian and
// energy-density rows.
//
// Buffers hold one row of points with the point index fastest; every row
// buffer is padded to a multiple of kRowPad points (the padding points have
// zero displacement and their values are never used). Primitive buffers are
// indexed by the primitive's slot on the current row (see `slot_of`), orbital
// buffers by orbital.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wavefunction/wavefunction.hpp"

namespace tessaro {

// Points per row are padded to this multiple.
inline constexpr std::size_t kRowPad = 8;
// A primitive is left out of an orbital for the whole row unless
// |chimax * coefficient| is strictly greater than this.
inline constexpr double kContributionCutoff = 1.0E-10;
// Powers r^p, p = 0..7, whose bounds the engine keeps per shell and row.
inline constexpr std::size_t kTermPowers = 8;
// exp() of any argument below this is exactly 0 (the smallest subnormal
// double is exp(-744.44); arguments below -745.1332191019412 round to 0).
inline constexpr double kExpZeroBelow = -745.2;

// A primitive's value, first derivatives and Laplacian at one point, each
// formed exactly as the row evaluators form it. t is the angular type 1..56.
struct PrimitivePoint {
  double chi, chix, chiy, chiz, chid2;
};
PrimitivePoint primitive_point(int t, double X, double Y, double Z, double R2, double E, double S, double D);
// The value alone, as `rho_calc` forms it (M E, the exponential itself for s).
double primitive_value_point(int t, double X, double Y, double Z, double E);

struct WfnVar;

// One row of points being evaluated: its geometry and every buffer the
// evaluators fill. Threads evaluate rows side by side, each in a WfnRow of
// its own (a copy of the first one, allocated once); the wavefunction and
// the tables of WfnVar are shared and only read.
struct WfnRow {
  // Row geometry, filled by the driver: n points (NX), np padded.
  std::size_t n = 0;
  std::size_t np = 0;
  std::vector<double> x1, x2, x3;      // x(i, 1..3), np each
  std::vector<double> dx, dy, dz, r2;  // [a * np + k]

  bool derivatives = false;  // the buffers of moderiv_calc are allocated
  std::vector<std::int32_t> row_orbitals;  // orbitals filled on the current row, ascending

  // Primitive buffers of the current row, [slot * np + k]; only primitives
  // that can contribute on this row get a slot (slot_of[i] = -1 otherwise).
  std::vector<double> chi, chix, chiy, chiz, chid2;
  std::vector<double> chimax;         // by stored primitive, 0 for one without a slot
  std::vector<std::int32_t> slot_of;  // by stored primitive

  // Orbital buffers [m * np + k], for nmo orbitals padded to a multiple of 4.
  std::vector<double> psi, gx, gy, gz, d2;

  // The additional density functions' share of the row, np each (only for a
  // wavefunction that has them; the last four only with derivatives):
  // density, its gradient components and its Laplacian.
  std::vector<double> edf_rho, edf_gx, edf_gy, edf_gz, edf_d2;

  // Row results (`sumr` always; the other three only with the energy
  // densities): `sumr` holds the density, gradient magnitude, Laplacian and
  // finally G in turn; `sumr2` V, `sumr3` H, `sumr4` the Laplacian that the
  // energy densities use.
  std::vector<double> sumr, sumr2, sumr3, sumr4;

  // Scratch of the engine, rebuilt on every row.
  std::vector<double> closest_r2;            // by centre: smallest r2 on the row
  std::vector<double> term_bound;            // [shell * kTermPowers + p]: bound of r^p exp(-alpha r^2) on the row
  std::vector<std::int32_t> active_prims;    // by slot: the stored primitive, in stored order
  std::vector<std::int32_t> shell_exp_slot;  // by shell: its exponential row in shell_exp, -1 for none
  std::vector<double> shell_exp;             // [exponential row * np + k]: exp(-alpha r2) of one shell
  std::vector<double> effective_coef;        // [slot * nmo_pad + o]: coefficient in row orbital o, 0 when cut off
  std::vector<std::int32_t> block_prims;     // slots with a coefficient in the current block of four orbitals
  std::vector<double> padding_out;           // output of the padding orbitals of a block, never read

  // Recomputes dx, dy, dz, r2 from x1, x2, x3 and the nuclei of w.
  void update_geometry(const Wavefunction& w);
};

// `wfn_var`: the wavefunction and the tables the evaluators build from it,
// with the row of the first (or only) thread.
struct WfnVar : WfnRow {
  Wavefunction wfn;

  // Orbitals of occupation 0 add exact zeros to every property, so their
  // buffers are not filled when this is set (unless a value on the row is not
  // finite); the row computations then pass over them.
  bool skip_unoccupied = true;

  // Allocates every row buffer for rows of n points (checked against the
  // memory limit first) and precomputes the per-primitive tables.
  void setup(std::size_t points, bool with_derivatives, bool with_energy);

  // Engine tables, built by setup().
  struct Shell {
    std::int32_t centre;
    double alpha;
    int lmax;  // largest angular momentum L of its primitives
  };
  std::size_t nmo_pad = 0;                      // nmo padded to a multiple of 4
  std::vector<Shell> shells;                    // stored primitives of one centre and exponent
  std::vector<std::int32_t> shell_of;           // by stored primitive
  std::vector<double> largest_coefficient;      // by stored primitive: largest |coefficient| over the orbitals
  std::vector<std::int32_t> occupied_orbitals;  // orbitals with non-zero occupation, ascending
};

// Orbital values (and with moderiv_calc gradients and Laplacians) of the
// current row of `row`; `v` is only read, so threads may share it.
void moderiv_calc(const WfnVar& v, WfnRow& row);
void rho_calc(const WfnVar& v, WfnRow& row);

// The properties computed from the orbital buffers of a row, one value per
// point of the row (out has np entries). The additional density functions of
// the wavefunction, when it has any, are added to the density, its gradient
// and its Laplacian (and so to V and H), never to G.
void density_row(const WfnVar& v, const WfnRow& row, double* out);
void gradient_row(const WfnVar& v, const WfnRow& row, double* out);
void laplacian_row(const WfnVar& v, const WfnRow& row, double* out);
// G into g, the Laplacian into lap, V into pot, H into tot.
void energy_rows(const WfnVar& v, const WfnRow& row, double* g, double* lap, double* pot, double* tot);

}  // namespace tessaro
