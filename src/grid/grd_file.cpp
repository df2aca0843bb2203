#include <algorithm>
#include <stdexcept>
#include <string>

#include "grid/grid_files.hpp"
#include "grid/grid_io_detail.hpp"
#include "grid/grid_numbers.hpp"
#include "grid/text_blocks.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace grid_detail {

void grd_in_array(textio::LineReader& grd, GridRole role, GridData& grid, std::vector<std::string>* keep) {
  // The header is taken to be exactly (atom count of the cube + 12) lines,
  // each the first 80 columns of its line; nothing in it is interpreted.
  const std::size_t header_lines = static_cast<std::size_t>(grid.natoms) + 12;
  std::vector<std::string> header;
  if (keep != nullptr) {
    check_allocation(header_lines, 80);
    header.reserve(header_lines);
  }
  for (std::size_t h = 0; h < header_lines; ++h) {
    std::string_view line = grd.require();
    if (keep != nullptr) {
      std::string text(line.substr(0, std::min<std::size_t>(line.size(), 80)));
      text.resize(80, ' ');
      header.push_back(std::move(text));
    }
  }

  // Rows (1..N1, j, k) for k, then j: the first index fastest, as in memory,
  // six values to a line, every row on a new line. The E18.10 fields are
  // taken as blank-separated items: a field of that layout holds at most 17
  // characters, so each begins with a blank and the items are exactly the
  // fields.
  const std::size_t n1 = grid.n1(), n2 = grid.n2(), n3 = grid.n3();
  const std::size_t row_lines = n1 / 6 + (n1 % 6 > 0 ? 1 : 0);
  double* values = grid.cube_array.data();
  grid_detail::read_lines(grd, n2 * n3 * row_lines, [&](std::string_view line, std::uint64_t index) {
    const std::size_t i = static_cast<std::size_t>(index % row_lines) * 6;
    return grid_numbers::read_items(line, 10, values + index / row_lines * n1 + i, std::min<std::size_t>(6, n1 - i));
  });

  // Electrons per cubic angstrom, per angstrom^4, and the negative Laplacian
  // per angstrom^5, to atomic units.
  switch (role) {
    case GridRole::Density:
      for (double& v : grid.cube_array) v *= kGrdDensityFactor;
      break;
    case GridRole::Gradient:
      for (double& v : grid.cube_array) v *= kGrdGradientFactor;
      break;
    case GridRole::Laplacian:
      for (double& v : grid.cube_array) v = -(v * kGrdLaplacianFactor);
      break;
  }
  if (keep != nullptr) *keep = std::move(header);
}

}  // namespace grid_detail

void to_grd_density_units(std::span<double> values) {
  for (double& v : values) v /= grid_detail::kGrdDensityFactor;
}

void grd_writing(std::ostream& out, std::span<const double> values, std::int32_t natoms, std::int32_t n1,
                 std::int32_t n2, std::int32_t n3, std::span<const std::string> grd_intestaz) {
  const std::size_t m1 = n1 > 0 ? static_cast<std::size_t>(n1) : 0;
  const std::size_t m2 = n2 > 0 ? static_cast<std::size_t>(n2) : 0;
  const std::size_t m3 = n3 > 0 ? static_cast<std::size_t>(n3) : 0;
  if (values.size() != m1 * m2 * m3)
    throw std::invalid_argument("grd_writing: the value count does not match N1*N2*N3");

  // Each header line is left-justified (leading blanks moved to the end) and
  // written in exactly 80 columns. Lines missing from a short list are
  // written blank, so the file still has atom count + 12 header lines.
  const std::size_t header_lines = static_cast<std::size_t>(std::max<std::int32_t>(natoms, 0)) + 12;
  std::string head;
  head.reserve(header_lines * 81);
  for (std::size_t h = 0; h < header_lines; ++h) {
    std::string_view text;
    if (h < grd_intestaz.size()) {
      text = grd_intestaz[h];
      const std::size_t lead = text.find_first_not_of(' ');
      if (lead != std::string_view::npos) text.remove_prefix(lead);
    }
    // The moved blanks, and any that pad a short line, fill the 80 columns.
    const std::size_t start = head.size();
    head.append(text.substr(0, std::min<std::size_t>(text.size(), 80)));
    head.append(80 - (head.size() - start), ' ');
    head += '\n';
  }
  out.write(head.data(), static_cast<std::streamsize>(head.size()));

  // Rows (1..N1, j, k) as six E18.10 values to a line, a last line with the
  // remainder: the memory order.
  if (m1 == 0) return;
  const std::size_t row_bytes = m1 * 18 + m1 / 6 + (m1 % 6 > 0 ? 1 : 0);
  const double* at = values.data();
  grid_detail::write_rows(out, m2 * m3, row_bytes, [&](std::uint64_t row, char* p) {
    const double* from = at + row * m1;
    for (std::size_t i = 0; i < m1; i += 6) {
      const std::size_t stop = std::min(m1, i + 6);
      for (std::size_t m = i; m < stop; ++m) p = grid_numbers::write_E18_10(p, from[m]);
      *p++ = '\n';
    }
  });
}

}  // namespace tessaro
