#pragma once
// tessaro --check INPUT: what a run of the template would do, found without
// doing it. It reads the template and the header of every file the run would
// read (never a grid's values), and writes no file at all.
#include <ostream>
#include <string>

namespace tessaro {

// Prints on `out` the sections that run, the files read (with their grid
// sizes) and written, the grid points, estimates of memory and disk use, and
// every warning and stop the run would meet. Returns 0 when the run would
// start, 1 otherwise.
int check_run(const std::string& input_name, std::ostream& out);

}  // namespace tessaro
