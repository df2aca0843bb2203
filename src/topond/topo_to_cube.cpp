#include "topond/topo_to_cube.hpp"

#include "run/output_file.hpp"

#include <string>
#include <string_view>

#include "grid/grid_files.hpp"
#include "run/input_file.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "topond/crystal_output.hpp"
#include "topond/topond_grid.hpp"

namespace tessaro {

namespace {

constexpr std::string_view kNoAtomCount =
    " file holds no NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL: line before INPUT COORDINATES,"
    " program stop";
constexpr std::string_view kNegativeAtomCount =
    " file gives a negative NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:, program stop";

// One report line, the file name as set in the input (all its columns) then
// the text; the run ends with the error status.
[[noreturn]] void stop(Run& run, const std::string& name, std::string_view text) {
  std::string line = name;
  line += text;
  run.report_line(line);
  end_run(1);
}

}  // namespace

void topo_to_cube(Run& run) {
  const InputVariables& iv = run.input_variables;

  CrystalCell cell;
  {
    InputFile file(run, iv.crys_out);
    textio::LineReader& crystal_output = file.reader();
    switch (read_crystal_output(crystal_output, cell)) {
      case CrystalScan::Ok:
        break;
      case CrystalScan::NoAtomCount:
        stop(run, iv.crys_out, kNoAtomCount);
      case CrystalScan::NegativeAtomCount:
        stop(run, iv.crys_out, kNegativeAtomCount);
    }
  }
  // Every cube of the run carries this same atom list.
  const std::vector<GridAtom> atoms = cube_atoms(cell, iv, trimmed(iv.crys_out));

  const std::string* grid_names[] = {&iv.grd_top_name1, &iv.grd_top_name2, &iv.grd_top_name3};
  const std::string* cube_names[] = {&iv.cubeout1, &iv.cubeout2, &iv.cubeout3};
  const int grids = iv.n_grid < 3 ? iv.n_grid : 3;
  for (int g = 0; g < grids; ++g) {
    GridData grid;  // geometry cleared: the axes are the Cartesian axes
    {
      InputFile file(run, *grid_names[g]);
      textio::LineReader& grid_file = file.reader();
      // The grid is read whole before its cube is created, so a grid file cut
      // short leaves no half-written cube behind (and an older cube of that
      // name untouched).
      topo_array(grid_file, grid);
    }
    grid.natoms = static_cast<std::int32_t>(atoms.size());
    grid.atoms = atoms;

    const std::string cube_name = trimmed(*cube_names[g]) + ".cube";
    OutputFile cube(run, cube_name);
    cube_writing(cube.stream(), grid, grid.cube_array);
    cube.commit();
  }
}

}  // namespace tessaro
