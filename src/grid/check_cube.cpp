#include <algorithm>
#include <string>

#include "grid/grid_files.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"

namespace tessaro {

namespace {

constexpr const char* kAtomCountFirst = "WARNING!the number of atoms in ";
constexpr const char* kAtomCountSecond =
    " cube file is different from'the number of atoms in the cube file of electron density";
constexpr const char* kOriginFirst = "WARNING!the origin in ";
constexpr const char* kOriginSecond =
    " cube file is different from the origin in the 'cube file of electron density,PROGRAM STOP";
constexpr const char* kPointsFirst = "WARNING!the number of grid points in ";
constexpr const char* kPointsSecond =
    " cube file is different from' the number of points in the cube file of electrond density,PROGRAM STOP";
constexpr const char* kAxisFirst = "WARNING!the axis orientation of ";
constexpr const char* kAxisSecond =
    " cube file is different from'the axis orientation in the cube file of electron density,PROGRAM STOP";
constexpr const char* kAtomsFirst = "WARNING!atoms type/coordinate in ";
constexpr const char* kAtomsSecond =
    " cube file is different from atoms type/coordinate'in the cube file of electron density";

// A free-form line of three texts written one after the other, on the
// console and then in the report.
void warn(Run& run, std::string_view name, const char* first, const char* second) {
  textio::FreeLine line;
  line.text(first).text(name).text(second);
  std::string_view text = line.str();
  if (!text.empty() && text.front() == ' ') text.remove_prefix(1);  // Run adds the line's leading blank
  run.console_line(text);
  run.report_line(text);
}

[[noreturn]] void stop(Run& run) {
  run.flush();  // the report keeps every line written before the stop
  end_run(1);
}

}  // namespace

void check_cube(Run& run, const GridData& grid, const GridData& density, std::string_view name) {
  // Header geometry is compared exactly in single precision; a NaN matches
  // nothing.
  if (grid.natoms != density.natoms) warn(run, name, kAtomCountFirst, kAtomCountSecond);

  for (int c = 0; c < 3; ++c) {
    if (grid.origin[c] != density.origin[c]) {
      warn(run, name, kOriginFirst, kOriginSecond);
      stop(run);
    }
  }

  if (grid.n != density.n) {
    warn(run, name, kPointsFirst, kPointsSecond);
    const InputVariables& iv = run.input_variables;
    textio::FreeLine counts;
    counts.i4(iv.n_puntix).i4(iv.n_puntiy).i4(iv.n_puntiz);
    counts.i4(density.n[0]).i4(density.n[1]).i4(density.n[2]);
    counts.text("new:");
    counts.i4(grid.n[0]).i4(grid.n[1]).i4(grid.n[2]);
    std::string_view text = counts.str();
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    run.console_line(text);
    stop(run);
  }

  for (int a = 0; a < 3; ++a) {
    for (int c = 0; c < 3; ++c) {
      if (grid.axis[a][c] != density.axis[a][c]) {
        warn(run, name, kAxisFirst, kAxisSecond);
        stop(run);
      }
    }
  }

  // Atoms are compared position by position over the density grid's list;
  // positions past the end of the shorter list are not compared (the atom
  // count warning above already reports the difference).
  const std::size_t common = std::min(density.atoms.size(), grid.atoms.size());
  for (std::size_t t = 0; t < common; ++t) {
    const GridAtom& d = density.atoms[t];
    const GridAtom& g = grid.atoms[t];
    if (g.charge != d.charge) warn(run, name, kAtomsFirst, kAtomsSecond);
    if (g.x != d.x) warn(run, name, kAtomsFirst, kAtomsSecond);
    if (g.y != d.y) warn(run, name, kAtomsFirst, kAtomsSecond);
    if (g.z != d.z) warn(run, name, kAtomsFirst, kAtomsSecond);
  }
}

void stop_rejected_grid(Run& run, const GridFileRejected& rejected) {
  const std::string text = std::string(rejected.what()) + ", PROGRAM STOP";
  run.report_line(text);
  run.console_line(text);
  run.flush();
  end_run(1);
}

}  // namespace tessaro
