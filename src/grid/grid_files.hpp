#pragma once
// Cube and XD2006 grd files, and the check that two grids describe the same box.
// Readers take line sources and writers streams; the caller opens and closes
// the files.
#include <cstdint>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_data.hpp"
#include "textio/textio.hpp"

namespace tessaro {

class Run;

enum class GridRole { Density, Gradient, Laplacian };
enum class InputFormat { XD2, GAU, CUB };

// A cube header the reader cannot take (a negative atom count, an axis
// without points). what() names the file, the line and the fault.
class GridFileRejected : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One grid as read, and in XD2 mode for the density role the header lines of
// its grd file (the first 80 columns of each, padded to 80), which start every
// grd file the section writes.
struct GridFile {
  GridData grid;
  std::vector<std::string> grd_intestaz;
};

// `cube_in_array`: reads one grid. In XD2 mode the cube supplies the header
// and atoms only and the values come from `grd`, converted to the atomic
// units of the role. Throws textio::TextIoError for a value that is not a
// number or a file cut short, GridFileRejected for a header it cannot take,
// std::bad_alloc for a grid this machine cannot hold.
GridFile cube_in_array(textio::LineReader& cube, GridRole role, InputFormat format, textio::LineReader* grd);

// The header part of cube_in_array alone: the header and atoms, with every
// check made before the values are read (the values are not read and
// cube_array stays empty), for a check of a run that reads no grid.
GridFile cube_header_in(textio::LineReader& cube, GridRole role, InputFormat format, textio::LineReader* grd);

// Writes one grid as a cube file: two blank title lines, the header of
// `header` (its cube_array is not used) and `values` (N1*N2*N3, first index
// fastest in memory, written with k fastest).
void cube_writing(std::ostream& out, const GridData& header, std::span<const double> values);

// Writes one grid as a grd file: the header lines, each left-justified (its
// leading blanks moved to the end) in exactly 80 columns, blank lines where the
// list is short of atom count + 12, then the values as they stand, with i
// fastest under 6E18.10.
void grd_writing(std::ostream& out, std::span<const double> values, std::int32_t natoms, std::int32_t n1,
                 std::int32_t n2, std::int32_t n3, std::span<const std::string> grd_intestaz);

// Converts densities in place from electrons per cubic bohr to electrons per
// cubic angstrom, the unit grd files hold them in.
void to_grd_density_units(std::span<double> values);

// Compares the header of a grid just read with the density grid's; `name` is
// "gradient " or "laplacian". Warnings go to the console and the report;
// mismatches of origin, point counts or axes end the run.
void check_cube(Run& run, const GridData& grid, const GridData& density, std::string_view name);

// Ends the run for a grid header the reader rejected: the reason and
// ", PROGRAM STOP" in the report and on the console, status 1.
[[noreturn]] void stop_rejected_grid(Run& run, const GridFileRejected& rejected);

}  // namespace tessaro
