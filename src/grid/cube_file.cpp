#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "grid/grid_files.hpp"
#include "grid/grid_io_detail.hpp"
#include "grid/grid_numbers.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {

// The four header lines: a count and three fixed-point numbers. Lines 4 to 6
// are the atom-line layout with three numbers to take, which reads the same
// columns.
const textio::Layout& header_layout() {
  static const textio::Layout layout = textio::Layout::parse("I5,3F12.6");
  return layout;
}

const textio::Layout& atom_layout() {
  static const textio::Layout layout = textio::Layout::parse("I5,4F12.6");
  return layout;
}

// A header the reader cannot take: the file, the line and what is wrong.
[[noreturn]] void reject_header(const textio::LineReader& cube, const std::string& what) {
  throw GridFileRejected("cube file " + cube.file_name() + ", line " + std::to_string(cube.line_number()) + ": " +
                         what);
}

// A single-precision number as free-form output writes it, without the
// surrounding blanks.
std::string number_text(float v) {
  std::string s;
  textio::put_free_r4(s, v);
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? s : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Extra lines after each row of values in GAU mode: the gradient cube holds
// 3 x N3 more values per row, the Laplacian cube those plus one more row.
std::size_t gau_skipped_lines(GridRole role, std::size_t n3) {
  const std::size_t row_lines = n3 / 6 + (n3 % 6 > 0 ? 1 : 0);
  switch (role) {
    case GridRole::Gradient:
      return (n3 + 1) / 2;
    case GridRole::Laplacian:
      return (n3 + 1) / 2 + row_lines;
    case GridRole::Density:
      break;
  }
  return 0;
}

// Cube files list the values with k fastest, memory holds them with i
// fastest. Going straight from one order to the other touches a new cache
// line (and a new page) for every value, so both directions pass through a
// buffer of a few consecutive i-slabs (all j and k for each i), which turns
// the transposition into runs of whole cache lines. The buffer stays within
// about 6% of the value array; grids with fewer than 32 points along axis 1
// go value by value.
std::size_t slab_count(std::size_t n1) { return std::min<std::size_t>(8, n1 / 16); }

// Values of one row (i, j, 1..N3) from the rows of the file: six to a line,
// every row on a new line. The numbers are taken as blank-separated items, so
// fields written wider than 13 columns read right too; a short line gives
// zeros for its missing values.
template <class Store>
void read_row(textio::LineReader& cube, std::size_t n3, Store store) {
  double item[6];
  for (std::size_t k = 0; k < n3; k += 6) {
    const std::size_t count = std::min<std::size_t>(6, n3 - k);
    if (!grid_numbers::read_items(cube.require(), 5, item, count)) cube.fail_bad_value();
    for (std::size_t t = 0; t < count; ++t) store(k + t, item[t]);
  }
}

void read_cube_values(textio::LineReader& cube, std::size_t skip_after_row, GridData& grid) {
  const std::size_t n1 = grid.n1(), n2 = grid.n2(), n3 = grid.n3();
  const std::size_t stride = n1 * n2;  // from k to k + 1
  double* values = grid.cube_array.data();
  const std::size_t slabs = slab_count(n1);
  if (slabs < 2) {
    for (std::size_t i = 0; i < n1; ++i) {
      for (std::size_t j = 0; j < n2; ++j) {
        double* at = values + i + n1 * j;
        read_row(cube, n3, [&](std::size_t k, double v) { at[k * stride] = v; });
        for (std::size_t s = 0; s < skip_after_row; ++s) cube.require();
      }
    }
    return;
  }
  check_allocation(slabs * n2 * n3, sizeof(double));
  std::vector<double> slab(slabs * n2 * n3);  // slab[((b * N2) + j) * N3 + k]
  for (std::size_t i0 = 0; i0 < n1; i0 += slabs) {
    const std::size_t nb = std::min(slabs, n1 - i0);
    for (std::size_t b = 0; b < nb; ++b) {
      for (std::size_t j = 0; j < n2; ++j) {
        double* row = slab.data() + (b * n2 + j) * n3;
        read_row(cube, n3, [&](std::size_t k, double v) { row[k] = v; });
        for (std::size_t s = 0; s < skip_after_row; ++s) cube.require();
      }
    }
    for (std::size_t k = 0; k < n3; ++k)
      for (std::size_t j = 0; j < n2; ++j) {
        double* at = values + i0 + n1 * j + stride * k;
        const double* from = slab.data() + j * n3 + k;
        for (std::size_t b = 0; b < nb; ++b) at[b] = from[b * n2 * n3];
      }
  }
}

// One row (i, j, 1..N3) as six ES13.5 values to a line, a last line with the
// remainder, every row on a new line.
void write_row(grid_detail::ChunkWriter& w, const double* row, std::size_t n3) {
  std::size_t k = 0;
  while (k < n3) {
    const std::size_t stop = std::min(n3, k + 6);
    char* p = w.cursor();
    for (; k < stop; ++k) p = grid_numbers::write_ES13_5(p, row[k]);
    *p++ = '\n';
    w.advance(p);
  }
}

void write_cube_values(grid_detail::ChunkWriter& w, const GridData& header, const double* values) {
  const std::size_t n1 = header.n1(), n2 = header.n2(), n3 = header.n3();
  if (n1 == 0 || n2 == 0 || n3 == 0) return;  // a header alone, however long the other axes
  const std::size_t stride = n1 * n2;
  const std::size_t slabs = slab_count(n1);
  if (slabs < 2) {
    std::vector<double> row(n3);
    for (std::size_t i = 0; i < n1; ++i)
      for (std::size_t j = 0; j < n2; ++j) {
        const double* at = values + i + n1 * j;
        for (std::size_t k = 0; k < n3; ++k) row[k] = at[k * stride];
        write_row(w, row.data(), n3);
      }
    return;
  }
  check_allocation(slabs * n2 * n3, sizeof(double));
  std::vector<double> slab(slabs * n2 * n3);  // slab[((b * N2) + j) * N3 + k]
  for (std::size_t i0 = 0; i0 < n1; i0 += slabs) {
    const std::size_t nb = std::min(slabs, n1 - i0);
    for (std::size_t k = 0; k < n3; ++k)
      for (std::size_t j = 0; j < n2; ++j) {
        const double* at = values + i0 + n1 * j + stride * k;
        double* to = slab.data() + j * n3 + k;
        for (std::size_t b = 0; b < nb; ++b) to[b * n2 * n3] = at[b];
      }
    for (std::size_t b = 0; b < nb; ++b)
      for (std::size_t j = 0; j < n2; ++j) write_row(w, slab.data() + (b * n2 + j) * n3, n3);
  }
}

}  // namespace

GridFile cube_in_array(textio::LineReader& cube, GridRole role, InputFormat format, textio::LineReader* grd) {
  GridFile result = cube_header_in(cube, role, format, grd);
  GridData& g = result.grid;
  g.cube_array.resize(g.size());

  if (format == InputFormat::XD2) {
    grid_detail::grd_in_array(*grd, role, g, role == GridRole::Density ? &result.grd_intestaz : nullptr);
  } else {
    const std::size_t skip = format == InputFormat::GAU ? gau_skipped_lines(role, g.n3()) : 0;
    read_cube_values(cube, skip, g);
  }
  return result;
}

GridFile cube_header_in(textio::LineReader& cube, GridRole role, InputFormat format, textio::LineReader* grd) {
  if (format == InputFormat::XD2 && grd == nullptr)
    throw std::invalid_argument("cube_in_array: XD2 reading needs the grd file");

  cube.require();  // two title lines, skipped
  cube.require();
  GridFile result;
  GridData& g = result.grid;
  {
    const textio::InItem items[] = {&g.natoms, &g.origin[0], &g.origin[1], &g.origin[2]};
    textio::read_record(cube, header_layout(), items);
  }
  if (g.natoms < 0)
    reject_header(cube,
                  "the atom count " + std::to_string(g.natoms) +
                      " is negative (cube files with orbital data are not supported)");
  for (int a = 0; a < 3; ++a) {
    const textio::InItem items[] = {&g.n[a], &g.axis[a][0], &g.axis[a][1], &g.axis[a][2]};
    textio::read_record(cube, header_layout(), items);
    if (g.n[a] <= 0)
      reject_header(cube,
                    "the number of grid points along axis " + std::to_string(a + 1) + " is " + std::to_string(g.n[a]) +
                        " (it must be at least 1)");
    // The length as the derivatives take it, in single precision: a step too
    // short for that is 0 as well.
    const auto& v = g.axis[a];
    if (std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) == 0.0f)
      reject_header(cube, "the step vector of axis " + std::to_string(a + 1) + " has length 0");
  }
  // Every line the counts announce takes at least one byte (a short value
  // line reads as zeros), so a file too small for them ends here, before
  // anything is allocated for them; then grids this machine cannot hold are
  // refused.
  {
    using textio::saturating_product, textio::saturating_sum;
    const std::uint64_t atom_lines = static_cast<std::uint64_t>(g.natoms);
    if (format == InputFormat::XD2) {
      // The grd file: its header, then rows along axis 1, six values to a line.
      cube.require_lines(atom_lines);
      const std::uint64_t row_lines = g.n1() / 6 + (g.n1() % 6 > 0 ? 1 : 0);
      const std::uint64_t rows = saturating_product(g.n2(), g.n3());
      grd->require_lines(saturating_sum(atom_lines + 12, saturating_product(rows, row_lines)));
    } else {
      const std::size_t skip = format == InputFormat::GAU ? gau_skipped_lines(role, g.n3()) : 0;
      const std::uint64_t row_lines = g.n3() / 6 + (g.n3() % 6 > 0 ? 1 : 0) + skip;
      const std::uint64_t rows = saturating_product(g.n1(), g.n2());
      cube.require_lines(saturating_sum(atom_lines, saturating_product(rows, row_lines)));
    }
  }
  check_grid_allocation(g.n[0], g.n[1], g.n[2]);
  check_allocation(static_cast<std::size_t>(g.natoms), sizeof(GridAtom));

  g.atoms.resize(static_cast<std::size_t>(g.natoms));
  for (GridAtom& atom : g.atoms) {
    const textio::InItem items[] = {&atom.num_atomico, &atom.charge, &atom.x, &atom.y, &atom.z};
    textio::read_record(cube, atom_layout(), items);
    // A charge beyond the periodic table is no atom; written back it would
    // not even fit its field.
    if (!nuclear_charge_in_range(atom.num_atomico))
      reject_header(cube, "the atomic number " + std::to_string(atom.num_atomico) + " lies outside 0-118");
    if (!nuclear_charge_in_range(atom.charge))
      reject_header(cube, "the nuclear charge " + number_text(atom.charge) + " lies outside 0-118");
  }
  return result;
}

void cube_writing(std::ostream& out, const GridData& header, std::span<const double> values) {
  if (values.size() != header.size())
    throw std::invalid_argument("cube_writing: the value count does not match N1*N2*N3");
  if (header.natoms < 0 || static_cast<std::size_t>(header.natoms) != header.atoms.size())
    throw std::invalid_argument("cube_writing: the atom count does not match the atom list");

  std::string head;
  head.append(60, ' ');
  head += '\n';
  head.append(60, ' ');
  head += '\n';
  {
    const textio::OutItem items[] = {header.natoms, header.origin[0], header.origin[1], header.origin[2]};
    textio::write_record(head, header_layout(), items);
  }
  for (int a = 0; a < 3; ++a) {
    const textio::OutItem items[] = {header.n[a], header.axis[a][0], header.axis[a][1], header.axis[a][2]};
    textio::write_record(head, header_layout(), items);
  }
  for (const GridAtom& atom : header.atoms) {
    const textio::OutItem items[] = {atom.num_atomico, atom.charge, atom.x, atom.y, atom.z};
    textio::write_record(head, atom_layout(), items);
  }

  grid_detail::ChunkWriter w(out);
  w.append(head);
  // Rows (i, j, 1..N3) in the reader's order: k fastest.
  write_cube_values(w, header, values.data());
  w.flush();
}

}  // namespace tessaro
