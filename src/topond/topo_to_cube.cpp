#include "topond/topo_to_cube.hpp"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_files.hpp"
#include "run/input_file.hpp"
#include "run/output_file.hpp"
#include "run/output_names.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "topond/crystal_output.hpp"
#include "topond/topond_grid.hpp"

namespace tessaro {

namespace {

// One report line, the file name as set in the input (all its columns) then
// the text; the run ends with the error status.
[[noreturn]] void stop(Run& run, const std::string& name, std::string_view text) {
  std::string line = name;
  line += text;
  run.report_line(line);
  end_run(1);
}

// The symmetry operations of the settings as plain values.
std::vector<SymmetryOperation> symmetry_operations(const InputVariables& iv) {
  const std::size_t count = iv.n_symm > 0 ? static_cast<std::size_t>(iv.n_symm) : 0;
  if (iv.symm_op.size() < 9 * count || iv.transl.size() < 3 * count)
    throw std::logic_error("symmetry_operations: symmetry arrays smaller than n_symm");
  std::vector<SymmetryOperation> operations(count);
  for (int i = 1; i <= iv.n_symm; ++i) {
    SymmetryOperation& op = operations[static_cast<std::size_t>(i - 1)];
    for (int j = 1; j <= 3; ++j) {
      for (int c = 1; c <= 3; ++c) op.rotation[j - 1][c - 1] = iv.symm(i, c, j);
      op.translation[j - 1] = iv.tr(i, j);
    }
  }
  return operations;
}

}  // namespace

void topo_to_cube(Run& run) {
  const InputVariables& iv = run.input_variables;

  CrystalCell cell;
  {
    InputFile file(run, iv.crys_out);
    textio::LineReader& crystal_output = file.reader();
    try {
      cell = read_crystal_output(crystal_output);
    } catch (const CrystalOutputRejected& e) {
      stop(run, iv.crys_out, " " + std::string(e.what()) + ", program stop");
    }
  }
  // Every cube of the run carries this same atom list.
  const std::vector<GridAtom> atoms = cube_atoms(cell, symmetry_operations(iv), trimmed(iv.crys_out));

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
      try {
        topo_array(grid_file, grid);
      } catch (const GridFileRejected& e) {
        stop_rejected_grid(run, e);
      }
    }
    grid.natoms = static_cast<std::int32_t>(atoms.size());
    grid.atoms = atoms;

    const std::string cube_name = output_name(*cube_names[g], top_output::kCube);
    OutputFile cube(run, cube_name);
    cube_writing(cube.stream(), grid, grid.cube_array);
    cube.commit();
  }
}

}  // namespace tessaro
