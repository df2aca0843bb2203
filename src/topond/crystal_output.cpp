#include "topond/crystal_output.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "run/run_end.hpp"

namespace tessaro {

namespace {

constexpr std::string_view kAtomCountHeading = " NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:";
constexpr std::string_view kCoordinatesHeading = " INPUT COORDINATES";
constexpr std::string_view kLatticeHeading = " DIRECT LATTICE VECTORS CARTESIAN COMPONENTS (ANGSTROM)";
constexpr std::string_view kMatrixHeading = " TRANSFORMATION MATRIX PRIMITIVE-CRYSTALLOGRAPHIC CELL";
constexpr std::string_view kCellHeading = " CRYSTALLOGRAPHIC CELL (VOLUME=";

// The bohr in angstrom: the single-precision number nearest 0.5291771, used in
// double precision.
constexpr double kBohr = 0.5291771292686462;

// A line as read under A80: its first 80 columns, padded with blanks.
std::string a80(std::string_view line) {
  std::string text(line.substr(0, 80));
  text.resize(80, ' ');
  return text;
}

bool starts_with(const std::string& line, std::string_view heading) {
  return line.compare(0, heading.size(), heading) == 0;
}

// What a centred lattice prints between its atoms and its lattice vectors.
struct Centring {
  long matrix_line = 0;            // of the nine numbers; 0: no matrix printed
  std::array<double, 9> matrix{};  // M(1,1) M(1,2) M(1,3) M(2,1) ..., row by row
  long cell_line = 0;              // of A B C ALPHA BETA GAMMA; 0: no crystallographic cell
  std::array<double, 6> cell{};
};

// A line of N free-form numbers; anything else is a bad value of it.
template <std::size_t N>
void read_numbers(textio::LineReader& in, std::array<double, N>& values) {
  const std::string line = a80(in.require());
  std::array<textio::FreeItem, N> items;
  for (std::size_t n = 0; n < N; ++n) items[n] = &values[n];
  if (textio::read_free(line, items) != textio::ReadStatus::Ok) in.fail_bad_value();
}

// Six significant digits, for the lengths a rejection quotes.
std::string digits(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  return std::string(text, end);
}

// The conventional vectors from the printed primitive ones, checked against
// the printed crystallographic cell: a matrix that fails is never used.
CrystalLattice conventional_vectors(const Centring& centring, const CrystalLattice& primitive) {
  const std::string matrix = "file has a TRANSFORMATION MATRIX PRIMITIVE-CRYSTALLOGRAPHIC CELL on line " +
                             std::to_string(centring.matrix_line);
  std::array<std::array<std::int32_t, 3>, 3> m{};
  bool integers = true;
  for (std::size_t n = 0; n < 9; ++n) {
    const double v = centring.matrix[n];
    integers = integers && std::abs(v) <= 16 && v == std::trunc(v);
    if (integers) m[n / 3][n % 3] = static_cast<std::int32_t>(v);
  }
  const std::int32_t det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  if (!integers || det == 0 || std::abs(det) == 1 || std::abs(det) > 4)
    throw CrystalOutputRejected(matrix + " that is not integers with determinant 2, 3 or 4");
  if (centring.cell_line == 0)
    throw CrystalOutputRejected(matrix + " and no CRYSTALLOGRAPHIC CELL (VOLUME= line to check it against");

  // Conventional vector j is column j of M applied to the primitive vectors,
  // formed in double from the single-precision vectors read, kept in single.
  CrystalLattice conventional{};
  std::string made, printed;
  bool agree = true;
  for (std::size_t j = 0; j < 3; ++j) {
    double length2 = 0;
    for (std::size_t c = 0; c < 3; ++c) {
      double sum = 0;
      for (std::size_t k = 0; k < 3; ++k) sum += static_cast<double>(m[k][j]) * static_cast<double>(primitive[k][c]);
      conventional[j][c] = static_cast<float>(sum);
      length2 += static_cast<double>(conventional[j][c]) * static_cast<double>(conventional[j][c]);
    }
    const double length = std::sqrt(length2);
    const double edge = centring.cell[j];
    agree = agree && std::abs(length - edge) <= 1e-4 * std::abs(edge);
    made += " " + digits(length);
    printed += " " + digits(edge);
  }
  if (!agree)
    throw CrystalOutputRejected(matrix + " that gives the edges" + made + " where the CRYSTALLOGRAPHIC CELL on line " +
                                std::to_string(centring.cell_line) + " has" + printed);
  return conventional;
}

}  // namespace

CrystalCell read_crystal_output(textio::LineReader& in) {
  static const textio::Layout atom_layout = textio::Layout::parse("A11,3E20.12");
  static const textio::Layout lattice_layout = textio::Layout::parse("3E21.12");

  // Scan up to the coordinates heading; a later atom-count line replaces an
  // earlier one.
  std::string current;
  bool count_found = false;
  std::int32_t count = 0;
  while (!starts_with(current, kCoordinatesHeading)) {
    current = a80(in.require());
    if (starts_with(current, kAtomCountHeading)) {
      const textio::FreeItem item[] = {&count};
      // An unreadable count is a bad value of this line (a blank one too).
      if (textio::read_free(textio::columns(current, 55, 5), item) != textio::ReadStatus::Ok) in.fail_bad_value();
      count_found = true;
    }
  }
  if (!count_found)
    throw CrystalOutputRejected(
        "file holds no NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL: line before INPUT COORDINATES");
  if (count < 0)
    throw CrystalOutputRejected("file gives a negative NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:");

  // The line after the heading is blank, the next one is the column heading.
  in.require();
  current = a80(in.require());

  CrystalCell cell;
  check_allocation(static_cast<std::size_t>(count), sizeof(CrystalAtom));
  cell.atoms.assign(static_cast<std::size_t>(count), CrystalAtom{});
  for (CrystalAtom& atom : cell.atoms) {
    atom.label.assign(11, ' ');
    const textio::InItem items[] = {&atom.label, &atom.frac[0], &atom.frac[1], &atom.frac[2]};
    textio::read_record(in, atom_layout, items);
    atom.line = in.line_number();
  }

  // The column heading read above is tested first, then every further line.
  // A later matrix or cell replaces an earlier one.
  Centring centring;
  while (!starts_with(current, kLatticeHeading)) {
    current = a80(in.require());
    if (starts_with(current, kMatrixHeading)) {
      read_numbers(in, centring.matrix);
      centring.matrix_line = in.line_number();
    } else if (starts_with(current, kCellHeading)) {
      in.require();  // the A B C ALPHA BETA GAMMA heading
      read_numbers(in, centring.cell);
      centring.cell_line = in.line_number();
    }
  }
  in.require();  // the X Y Z column heading
  for (auto& vector : cell.lattice) {
    const textio::InItem items[] = {&vector[0], &vector[1], &vector[2]};
    textio::read_record(in, lattice_layout, items);
  }
  // The fractions of a centred lattice refer to the conventional cell, its
  // printed vectors to the primitive one: only the matrix relates them.
  if (centring.matrix_line != 0) cell.conventional = conventional_vectors(centring, cell.lattice);
  return cell;
}

std::array<float, 3> fractional_to_bohr(const std::array<float, 3>& f, const CrystalLattice& lattice) {
  std::array<float, 3> cartesian{};
  for (int c = 0; c < 3; ++c) {
    // The sum in single precision, the division by the bohr in double.
    const float sum = f[0] * lattice[0][c] + f[1] * lattice[1][c] + f[2] * lattice[2][c];
    cartesian[c] = static_cast<float>(static_cast<double>(sum) / kBohr);
  }
  return cartesian;
}

std::vector<GridAtom> cube_atoms(const CrystalCell& cell, std::span<const SymmetryOperation> operations,
                                 const std::string& file_name) {
  // The atomic number is the I2 field of columns 7-8 of the label: for a label
  // carrying 200 + Z (an atom with a pseudopotential) these are the last two
  // digits, the element's number.
  std::vector<std::int32_t> numbers(cell.atoms.size(), 0);
  if (!operations.empty()) {
    for (std::size_t n = 0; n < cell.atoms.size(); ++n) {
      if (!textio::parse_int(textio::columns(cell.atoms[n].label, 7, 2), numbers[n]))
        throw textio::TextIoError(textio::TextIoError::Kind::BadValue, file_name, cell.atoms[n].line);
    }
  }

  const CrystalLattice& lattice = cell.fraction_lattice();
  check_allocation(operations.size() * cell.atoms.size(), sizeof(GridAtom));
  std::vector<GridAtom> list;
  list.reserve(operations.size() * cell.atoms.size());
  for (const SymmetryOperation& op : operations) {
    for (std::size_t n = 0; n < cell.atoms.size(); ++n) {
      const std::array<float, 3>& f = cell.atoms[n].frac;
      std::array<float, 3> moved{};
      for (std::size_t r = 0; r < 3; ++r) {
        // The rotation sum in single precision, the translation added in
        // double, the coordinate stored in single precision.
        const std::array<std::int32_t, 3>& row = op.rotation[r];
        const float rotated = static_cast<float>(row[0]) * f[0] + static_cast<float>(row[1]) * f[1] +
                              static_cast<float>(row[2]) * f[2];
        moved[r] = static_cast<float>(static_cast<double>(rotated) + op.translation[r]);
      }
      const std::array<float, 3> bohr = fractional_to_bohr(moved, lattice);
      GridAtom atom;
      atom.num_atomico = numbers[n];
      atom.charge = static_cast<float>(numbers[n]);
      atom.x = bohr[0];
      atom.y = bohr[1];
      atom.z = bohr[2];
      list.push_back(atom);
    }
  }
  return list;
}

}  // namespace tessaro
