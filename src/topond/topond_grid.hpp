#pragma once
// TOPOND grid files: the three point counts, origin and step per Cartesian
// axis, then the values with the x index fastest.
#include "grid/grid_data.hpp"
#include "textio/textio.hpp"

namespace tessaro {

// Reads one TOPOND grid file into `grid`: the point counts, the origin, the
// diagonal of the axis matrix (the rest of the matrix is left as the caller
// set it) and the value array `cubo` (held in grid.cube_array, which must be
// empty on entry). Atoms are not touched: the file carries none.
// A malformed field or a file cut short throws textio::TextIoError naming
// the file and the line; a point count of 0 or less (a blank count line too)
// throws GridFileRejected, whose what() names the file, the line and the count.
void topo_array(textio::LineReader& grid_file, GridData& grid);

}  // namespace tessaro
