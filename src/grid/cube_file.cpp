#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "grid/grid_files.hpp"
#include "grid/grid_io_detail.hpp"
#include "grid/grid_numbers.hpp"
#include "grid/text_blocks.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

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

// The value lines of rows in file order: six to a line, every row on a new
// line, then the lines GAU mode passes over. The numbers are taken as
// blank-separated items, so fields written wider than 13 columns read right
// too; a short line gives zeros for its missing values. store(row, k, items,
// count) places the values of a line, `row` counting the rows of this read.
template <class Store>
void read_rows(textio::LineReader& cube, std::uint64_t rows, std::size_t n3, std::size_t skip_after_row,
               const Store& store) {
  const std::size_t value_lines = n3 / 6 + (n3 % 6 > 0 ? 1 : 0);
  const std::size_t row_lines = value_lines + skip_after_row;
  grid_detail::read_lines(cube, rows * row_lines, [&](std::string_view line, std::uint64_t index) {
    const std::uint64_t row = index / row_lines;
    const std::size_t k = static_cast<std::size_t>(index % row_lines) * 6;
    if (k >= n3) return true;  // a line passed over
    const std::size_t count = std::min<std::size_t>(6, n3 - k);
    double item[6];
    if (!grid_numbers::read_items(line, 5, item, count)) return false;
    store(row, k, item, count);
    return true;
  });
}

// The columns j of axis 2 in chunks taken by whichever thread is free, so the
// threads of a transposition write to separate rows.
template <class Body>
void over_columns(std::size_t n2, const Body& body) {
  constexpr std::size_t kChunk = 8;
  const std::size_t chunks = (n2 + kChunk - 1) / kChunk;
  const int threads = static_cast<int>(std::clamp<std::size_t>(chunks, 1, static_cast<std::size_t>(thread_count())));
  TESSARO_OMP(omp parallel for num_threads(threads) schedule(dynamic, 1))
  for (std::size_t c = 0; c < chunks; ++c) body(c * kChunk, std::min(n2, (c + 1) * kChunk));
}

void read_cube_values(textio::LineReader& cube, std::size_t skip_after_row, GridData& grid) {
  const std::size_t n1 = grid.n1(), n2 = grid.n2(), n3 = grid.n3();
  const std::size_t stride = n1 * n2;  // from k to k + 1
  double* values = grid.cube_array.data();
  const std::size_t slabs = slab_count(n1);
  if (slabs < 2) {
    // Row i * N2 + j.
    read_rows(cube, n1 * n2, n3, skip_after_row,
              [&](std::uint64_t row, std::size_t k, const double* item, std::size_t count) {
                double* at = values + row / n2 + n1 * (row % n2) + stride * k;
                for (std::size_t t = 0; t < count; ++t) at[t * stride] = item[t];
              });
    return;
  }
  check_allocation(slabs * n2 * n3, sizeof(double));
  std::vector<double> slab(slabs * n2 * n3);  // slab[((b * N2) + j) * N3 + k]
  for (std::size_t i0 = 0; i0 < n1; i0 += slabs) {
    const std::size_t nb = std::min(slabs, n1 - i0);
    read_rows(cube, nb * n2, n3, skip_after_row,
              [&](std::uint64_t row, std::size_t k, const double* item, std::size_t count) {
                std::memcpy(slab.data() + row * n3 + k, item, count * sizeof(double));
              });
    over_columns(n2, [&](std::size_t j0, std::size_t j1) {
      for (std::size_t k = 0; k < n3; ++k)
        for (std::size_t j = j0; j < j1; ++j) {
          double* at = values + i0 + n1 * j + stride * k;
          const double* from = slab.data() + j * n3 + k;
          for (std::size_t b = 0; b < nb; ++b) at[b] = from[b * n2 * n3];
        }
    });
  }
}

// The characters of one row (i, j, 1..N3): six ES13.5 values to a line, a
// last line with the remainder, every row on a new line.
std::size_t row_bytes(std::size_t n3) { return n3 * 13 + n3 / 6 + (n3 % 6 > 0 ? 1 : 0); }

template <class Value>
void write_row(char* p, std::size_t n3, const Value& value) {
  for (std::size_t k = 0; k < n3; k += 6) {
    const std::size_t stop = std::min(n3, k + 6);
    for (std::size_t m = k; m < stop; ++m) p = grid_numbers::write_ES13_5(p, value(m));
    *p++ = '\n';
  }
}

void write_cube_values(std::ostream& out, const GridData& header, const double* values) {
  const std::size_t n1 = header.n1(), n2 = header.n2(), n3 = header.n3();
  if (n1 == 0 || n2 == 0 || n3 == 0) return;  // a header alone, however long the other axes
  const std::size_t stride = n1 * n2;
  const std::size_t slabs = slab_count(n1);
  if (slabs < 2) {
    // Row i * N2 + j.
    grid_detail::write_rows(out, n1 * n2, row_bytes(n3), [&](std::uint64_t row, char* dst) {
      const double* at = values + row / n2 + n1 * (row % n2);
      write_row(dst, n3, [&](std::size_t k) { return at[k * stride]; });
    });
    return;
  }
  check_allocation(slabs * n2 * n3, sizeof(double));
  std::vector<double> slab(slabs * n2 * n3);  // slab[((b * N2) + j) * N3 + k]
  for (std::size_t i0 = 0; i0 < n1; i0 += slabs) {
    const std::size_t nb = std::min(slabs, n1 - i0);
    over_columns(n2, [&](std::size_t j0, std::size_t j1) {
      for (std::size_t k = 0; k < n3; ++k)
        for (std::size_t j = j0; j < j1; ++j) {
          const double* at = values + i0 + n1 * j + stride * k;
          double* to = slab.data() + j * n3 + k;
          for (std::size_t b = 0; b < nb; ++b) to[b * n2 * n3] = at[b];
        }
    });
    grid_detail::write_rows(out, nb * n2, row_bytes(n3), [&](std::uint64_t row, char* dst) {
      const double* from = slab.data() + row * n3;
      write_row(dst, n3, [&](std::size_t k) { return from[k]; });
    });
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

  out.write(head.data(), static_cast<std::streamsize>(head.size()));
  // Rows (i, j, 1..N3) in the reader's order: k fastest.
  write_cube_values(out, header, values.data());
}

}  // namespace tessaro
