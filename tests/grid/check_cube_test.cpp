// The consistency check of a gradient or Laplacian grid against the density
// grid: every message verbatim, its order, and which mismatches stop the run.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "grid/grid_files.hpp"
#include "run/run_end.hpp"
#include "support/folder_run.hpp"

namespace {

using tessaro::testing::FolderRun;
using tessaro::GridData;

const std::string kAtomCount =
    " WARNING!the number of atoms in gradient  cube file is different from'the number of atoms in the cube file of "
    "electron density\n";
const std::string kOrigin =
    " WARNING!the origin in gradient  cube file is different from the origin in the 'cube file of electron "
    "density,PROGRAM STOP\n";
const std::string kPoints =
    " WARNING!the number of grid points in gradient  cube file is different from' the number of points in the cube "
    "file of electrond density,PROGRAM STOP\n";
const std::string kAxis =
    " WARNING!the axis orientation of gradient  cube file is different from'the axis orientation in the cube file of "
    "electron density,PROGRAM STOP\n";
const std::string kAtoms =
    " WARNING!atoms type/coordinate in gradient  cube file is different from atoms type/coordinate'in the cube file "
    "of electron density\n";

GridData density() {
  GridData g;
  g.natoms = 2;
  g.origin = {-5.0f, -4.0f, 3.5f};
  g.n = {57, 49, 40};
  g.axis = {{{0.25f, 0.0f, 0.0f}, {0.0f, 0.25f, 0.0f}, {0.0f, 0.0f, 0.25f}}};
  g.atoms = {{8, 8.0f, -2.9f, -0.2f, 0.0f}, {1, 1.0f, -3.6f, 1.4f, 0.0f}};
  return g;
}

// Runs the check; returns the exit status of a stop, or -1 when the run goes on.
int check(FolderRun& t, const GridData& grid, const char* name = "gradient ") {
  try {
    tessaro::check_cube(t.run, grid, density(), name);
  } catch (const tessaro::RunEnd& end) {
    return end.status;
  }
  return -1;
}

TEST(CheckCube, SameHeaderSaysNothingAndAtomicNumbersAreNotCompared) {
  FolderRun t;
  GridData g = density();
  g.atoms[0].num_atomico = 99;
  g.cube_array = {1.0};  // values are not compared either
  EXPECT_EQ(check(t, g), -1);
  EXPECT_EQ(t.console.str(), "");
  EXPECT_EQ(t.report(), "");
}

TEST(CheckCube, AtomCountIsOnlyAWarningAndTheExtraAtomIsNotCompared) {
  FolderRun t;
  GridData g = density();
  g.natoms = 3;
  g.atoms.push_back({6, 6.0f, 9.0f, 9.0f, 9.0f});
  EXPECT_EQ(check(t, g), -1);
  EXPECT_EQ(t.console.str(), kAtomCount);
  EXPECT_EQ(t.report(), kAtomCount);
}

TEST(CheckCube, LaplacianNameHasOneBlankBeforeCube) {
  FolderRun t;
  GridData g = density();
  g.natoms = 1;
  g.atoms.pop_back();  // the density's second atom has no partner: not compared
  EXPECT_EQ(check(t, g, "laplacian"), -1);
  EXPECT_EQ(t.console.str(),
            " WARNING!the number of atoms in laplacian cube file is different from'the number of atoms in the cube "
            "file of electron density\n");
}

TEST(CheckCube, OriginDifferingInSinglePrecisionStops) {
  FolderRun t;
  GridData g = density();
  g.origin[0] = -5.000001f;  // a different float from -5.0
  EXPECT_EQ(check(t, g), 1);
  EXPECT_EQ(t.console.str(), kOrigin);
  EXPECT_EQ(t.report(), kOrigin);
}

TEST(CheckCube, CountOriginAndPointsDifferGivesTheWarningAndTheOriginLineOnly) {
  FolderRun t;
  GridData g = density();
  g.natoms = 5;
  g.origin[2] = 0.0f;
  g.n[1] = 10;
  EXPECT_EQ(check(t, g), 1);
  EXPECT_EQ(t.console.str(), kAtomCount + kOrigin);
  // The report file holds every line written before the stop.
  EXPECT_EQ(t.report_on_disk(), kAtomCount + kOrigin);
}

TEST(CheckCube, PointCountsStopWithTheCountLineOnTheConsoleOnly) {
  FolderRun t;
  t.run.input_variables.n_puntix = 61;
  t.run.input_variables.n_puntiy = 45;
  t.run.input_variables.n_puntiz = 25;
  GridData g = density();
  g.n = {57, 49, 41};
  g.axis[0][0] = 1.0f;  // never reached
  EXPECT_EQ(check(t, g), 1);
  EXPECT_EQ(t.console.str(), kPoints +
                                  "          61          45          25          57          49          40 new: "
                                  "         57          49          41\n");
  EXPECT_EQ(t.report(), kPoints);
}

TEST(CheckCube, AxisMismatchStopsAtTheFirstDifferingComponent) {
  for (int component = 0; component < 9; ++component) {
    FolderRun t;
    GridData g = density();
    g.axis[component / 3][component % 3] += 0.5f;
    g.axis[2][2] = -1.0f;  // a second difference gives no second line
    g.atoms[0].x = 0.0f;   // never reached
    EXPECT_EQ(check(t, g), 1);
    EXPECT_EQ(t.console.str(), kAxis);
    EXPECT_EQ(t.report(), kAxis);
  }
}

TEST(CheckCube, AtomsGiveOneLinePerDifferingValueAndTheRunGoesOn) {
  FolderRun t;
  GridData g = density();
  g.atoms[0].x += 1.0f;  // x, y, z of the first atom: three lines
  g.atoms[0].y += 1.0f;
  g.atoms[0].z += 1.0f;
  g.atoms[1] = {1, 2.0f, 0.0f, 0.0f, 5.0f};  // charge and all coordinates: four lines
  EXPECT_EQ(check(t, g), -1);
  std::string seven;
  for (int l = 0; l < 7; ++l) seven += kAtoms;
  EXPECT_EQ(t.console.str(), seven);
  EXPECT_EQ(t.report(), seven);
}

TEST(CheckCube, SameAtomsInAnotherOrderAndNaNsDiffer) {
  FolderRun t;
  GridData g = density();
  std::swap(g.atoms[0], g.atoms[1]);  // charge, x and y differ at both positions; z matches
  EXPECT_EQ(check(t, g), -1);
  std::string six;
  for (int l = 0; l < 6; ++l) six += kAtoms;
  EXPECT_EQ(t.console.str(), six);

  // A number that is not a number matches nothing, not even itself.
  FolderRun nan_run;
  GridData a = density(), b = density();
  a.atoms[0].z = b.atoms[0].z = std::numeric_limits<float>::quiet_NaN();
  tessaro::check_cube(nan_run.run, a, b, "gradient ");
  EXPECT_EQ(nan_run.console.str(), kAtoms);
  a.origin[1] = b.origin[1] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_THROW(tessaro::check_cube(nan_run.run, a, b, "gradient "), tessaro::RunEnd);
}

}  // namespace
