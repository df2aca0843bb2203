#pragma once
// Pieces shared by the cube and grd readers and writers (not an interface
// for other modules).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_data.hpp"
#include "grid/grid_files.hpp"
#include "textio/textio.hpp"

namespace tessaro::grid_detail {

// The grd part of XD2 reading: header lines (kept in *keep for the density
// role, dropped otherwise), the values with i fastest, and the conversion to
// atomic units of the role. `grid` has its header and sized value array.
void grd_in_array(textio::LineReader& grd, GridRole role, GridData& grid, std::vector<std::string>* keep);

// Unit factors of grd files: the third, fourth and fifth powers of the bohr
// in angstrom (0.5291771292686462), as stored.
inline constexpr double kGrdDensityFactor = 0.14818464289233146;
inline constexpr double kGrdGradientFactor = 0.07841592392746348;
inline constexpr double kGrdLaplacianFactor = 0.04149591351288367;

}  // namespace tessaro::grid_detail
