#include "topond/topond_grid.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>

#include "grid/grid_files.hpp"
#include "grid/grid_numbers.hpp"
#include "grid/text_blocks.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {

// Eight values of 16 columns to a line.
constexpr int kValuesPerLine = 8;
constexpr int kValueWidth = 16;
constexpr int kValueDecimals = 8;

}  // namespace

void topo_array(textio::LineReader& grid_file, GridData& grid) {
  if (!grid.cube_array.empty()) throw std::logic_error("topo_array: value array already allocated");

  // The counts sit in columns 1-4, 5-8 and 9-12 whatever else the line holds.
  static const textio::Layout counts_layout = textio::Layout::parse("3I4");
  // Origin and step of one axis; the 17 columns between them are skipped.
  static const textio::Layout axis_layout = textio::Layout::parse("E15.8,17X,E15.8");

  const textio::InItem counts[] = {&grid.n[0], &grid.n[1], &grid.n[2]};
  textio::read_record(grid_file, counts_layout, counts);
  // A blank count line reads as 0 0 0; a grid without points has no values
  // to convert.
  for (int a = 0; a < 3; ++a)
    if (grid.n[a] <= 0)
      throw GridFileRejected("TOPOND grid file " + grid_file.file_name() + ", line " +
                             std::to_string(grid_file.line_number()) + ": the number of grid points along axis " +
                             std::to_string(a + 1) + " is " + std::to_string(grid.n[a]) + " (it must be at least 1)");
  for (int a = 0; a < 3; ++a) {
    // Header geometry is single precision: the fields go straight into float.
    const textio::InItem axis[] = {&grid.origin[a], &grid.axis[a][a]};
    textio::read_record(grid_file, axis_layout, axis);
  }

  // A row of N1 values takes whole lines of at least one byte each: a file
  // too small for the counts ends here, before anything is allocated.
  const std::size_t row_lines = (grid.n1() + kValuesPerLine - 1) / kValuesPerLine;
  grid_file.require_lines(textio::saturating_product(textio::saturating_product(grid.n2(), grid.n3()), row_lines));
  check_grid_allocation(grid.n[0], grid.n[1], grid.n[2]);
  const std::size_t n1 = grid.n1(), n2 = grid.n2(), n3 = grid.n3();
  grid.cube_array.assign(n1 * n2 * n3, 0.0);

  // The file lists each row (1..N1, j, k) on lines of eight values, every row
  // starting on a new line, j inner and k outer: the memory order of the grid.
  double* values = grid.cube_array.data();
  grid_detail::read_lines(grid_file, n2 * n3 * row_lines, [&](std::string_view line, std::uint64_t index) {
    const std::size_t i = static_cast<std::size_t>(index % row_lines) * kValuesPerLine;
    double* value = values + index / row_lines * n1 + i;
    const std::size_t on_line = n1 - i < kValuesPerLine ? n1 - i : kValuesPerLine;
    for (std::size_t m = 0; m < on_line; ++m) {
      const std::string_view field = textio::columns(line, 1 + static_cast<int>(m) * kValueWidth, kValueWidth);
      if (!grid_numbers::read_field(field, kValueDecimals, value[m])) return false;
    }
    return true;
  });
}

}  // namespace tessaro
