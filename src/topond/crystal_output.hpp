#pragma once
// What the TOP section takes from the text output of a CRYSTAL run: the
// irreducible atoms in fractional coordinates and the direct lattice vectors,
// and the cube atom list built from them by the symmetry operations.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "grid/grid_data.hpp"
#include "textio/textio.hpp"

namespace tessaro {

struct CrystalAtom {
  std::string label;            // columns 1-11 of the atom line
  std::array<float, 3> frac{};  // fractional coordinates
  long line = 0;                // line of the CRYSTAL output that held it
};

using CrystalLattice = std::array<std::array<float, 3>, 3>;

struct CrystalCell {
  std::vector<CrystalAtom> atoms;
  // lattice[k] = lattice vector k (x, y, z), angstrom, as printed: for a
  // centred lattice (F, I, R, C) these are the vectors of the primitive cell.
  CrystalLattice lattice{};
  // The vectors the fractions under INPUT COORDINATES refer to, when the file
  // prints the transformation from the primitive to the conventional cell (a
  // centred lattice): conventional vector j = sum over k of M(k,j) lattice[k].
  // Without a matrix the printed vectors are taken as they stand.
  std::optional<CrystalLattice> conventional;

  // The vectors the atoms are converted with.
  const CrystalLattice& fraction_lattice() const { return conventional ? *conventional : lattice; }
};

// A CRYSTAL output that reads but gives no atom count to use. The message
// follows the file's name on the report line.
class CrystalOutputRejected : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Scans a CRYSTAL output: the atom count, the atoms after " INPUT
// COORDINATES", the lattice vectors after the Cartesian lattice heading and,
// between the two, the transformation matrix and the crystallographic cell
// that a centred lattice prints.
// No atom-count line before " INPUT COORDINATES", or a negative count on the
// last one, throws CrystalOutputRejected; so does a transformation matrix that
// is not integers with determinant 2, 3 or 4, or whose conventional vectors
// do not have the printed crystallographic lengths (relative 1e-4), or that
// has no crystallographic cell to be checked against. The end of the file before a
// heading, or a field that is not a number, throws textio::TextIoError with
// the file and line.
CrystalCell read_crystal_output(textio::LineReader& crystal_output);

// One symmetry operation: component r of the moved atom is
// rotation[r][0] f1 + rotation[r][1] f2 + rotation[r][2] f3 + translation[r].
struct SymmetryOperation {
  std::array<std::array<std::int32_t, 3>, 3> rotation{};
  std::array<double, 3> translation{};
};

// The cube atom list: every listed atom under operation 1, then every one
// under operation 2, and so on, in Cartesian bohr (with the cell's
// fraction_lattice()). A label whose columns 7-8
// are not a number throws textio::TextIoError naming `file_name` and the
// atom's line.
std::vector<GridAtom> cube_atoms(const CrystalCell& cell, std::span<const SymmetryOperation> operations,
                                 const std::string& file_name);

// The conversion of one atom from fractional coordinates to Cartesian bohr.
std::array<float, 3> fractional_to_bohr(const std::array<float, 3>& frac, const CrystalLattice& lattice);

}  // namespace tessaro
