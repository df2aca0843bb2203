#pragma once
// Cube and XD2006 grd files, and the check that two grids describe the same box.
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_data.hpp"
#include "textio/textio.hpp"

namespace tessaro {

class Run;

enum class GridRole { Density, Gradient, Laplacian };
enum class InputFormat { XD2, GAU, CUB };

// Reads one grid. In XD2 mode the cube supplies the header and atoms only and
// the values come from `grd` (header lines kept in *grd_intestaz for the
// density role, converted to atomic units). Fills every field of `grid`.
void cube_in_array(Run& run, textio::LineReader& cube, GridRole role, InputFormat format,
                   textio::LineReader* grd, GridData& grid);

// Writes one grid as a cube file: two blank title lines, the header of
// `header` (its cube_array is not used) and `values` (N1*N2*N3, first index
// fastest in memory, written with k fastest).
void cube_writing(std::ostream& out, const GridData& header, std::span<const double> values);

// Writes one grid as a grd file: the kept header lines (left-justified in
// place, 80 columns each) then the values with i fastest under 6E18.10. The
// rho*sign(lambda2) grid is converted in place to electrons per cubic angstrom.
void grd_writing(std::ostream& out, std::span<double> values, std::int32_t natoms, std::int32_t n1,
                 std::int32_t n2, std::int32_t n3, std::vector<std::string>& grd_intestaz, bool is_rhosign);

// Compares the header of a grid just read with the density grid's; `name` is
// "gradient " or "laplacian". Warnings go to the console and the report;
// mismatches of origin, point counts or axes end the run.
void check_cube(Run& run, const GridData& grid, const GridData& density, std::string_view name);

}  // namespace tessaro
