// TOPOND grid files. No real TOPOND grid file could be found, so every grid
// here is written by hand in the file's exact layout: 3I4 counts, then per
// axis E15.8 origin, 17 skipped columns, E15.8 step, then 8E16.8 values with
// the x index fastest and every row on a new line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "grid/grid_files.hpp"
#include "run/run_end.hpp"
#include "support/text_error.hpp"
#include "topond/topond_grid.hpp"

namespace tessaro {
namespace {

// Header of a grid with origin (0, 0, 0) and steps 0.1, 0.2, 0.3; the skipped
// columns hold a number that must not be read.
std::string header(const std::string& counts) {
  return counts + "\n" +
         " 0.00000000E+00  9.99999999E+99  0.10000000E+00\n"
         " 0.00000000E+00  9.99999999E+99  0.20000000E+00\n"
         " 0.00000000E+00  9.99999999E+99  0.30000000E+00\n";
}

// One hand-written 16-column field holding the integer v (v < 10).
std::string field(int v) { return "  0." + std::to_string(v) + "0000000E+01"; }

GridData read_grid(const std::string& text, const std::string& name = "grid.t3d") {
  std::istringstream in(text);
  textio::LineReader reader(in, name);
  GridData grid;
  topo_array(reader, grid);
  return grid;
}

textio::TextIoError read_error(const std::string& text) {
  return testing::text_error([&] { read_grid(text, "cut.t3d"); });
}

TEST(TopondGrid, HeaderFieldsComeFromTheirColumnsOnly) {
  // Counts in columns 1-4, 5-8, 9-12 whatever follows; origin in 1-15, step
  // in 33-47, each parsed straight into single precision.
  const std::string text =
      "   1   1   112345 trailing text\n"
      "-0.50000000E+00  9.99999999E+99  0.25000000E+00 ignored\n"
      " 0.52917713E+00 -1.00000000E+00  0.10000000E-01\n"
      " 1.00000000E+02                  0.30000000E+01\n"
      "  0.70000000E+01\n";
  const GridData grid = read_grid(text);
  EXPECT_EQ(grid.n, (std::array<std::int32_t, 3>{1, 1, 1}));
  EXPECT_EQ(grid.origin, (std::array<float, 3>{-0.5f, 0.52917713f, 100.0f}));
  EXPECT_EQ(grid.axis[0], (std::array<float, 3>{0.25f, 0.0f, 0.0f}));
  EXPECT_EQ(grid.axis[1], (std::array<float, 3>{0.0f, 0.01f, 0.0f}));
  EXPECT_EQ(grid.axis[2], (std::array<float, 3>{0.0f, 0.0f, 3.0f}));
  ASSERT_EQ(grid.cube_array.size(), 1u);
  EXPECT_EQ(grid.cube_array[0], 7.0);
  EXPECT_TRUE(grid.atoms.empty());
}

TEST(TopondGrid, TwoByOneByTwoBecomesCubeOrder) {
  // The file lists 1, 2 (k = 1) then 3, 4 (k = 2); the cube lists k fastest:
  // 1, 3 for i = 1 and 2, 4 for i = 2.
  const std::string text = header("   2   1   2") + field(1) + field(2) + "\n" + field(3) + field(4) + "\n";
  GridData grid = read_grid(text);
  ASSERT_EQ(grid.cube_array.size(), 4u);
  EXPECT_EQ(grid.cube_array[grid.index(0, 0, 0)], 1.0);
  EXPECT_EQ(grid.cube_array[grid.index(1, 0, 0)], 2.0);
  EXPECT_EQ(grid.cube_array[grid.index(0, 0, 1)], 3.0);
  EXPECT_EQ(grid.cube_array[grid.index(1, 0, 1)], 4.0);

  std::ostringstream cube;
  cube_writing(cube, grid, grid.cube_array);
  const std::string blank60(60, ' ');
  EXPECT_EQ(cube.str(), blank60 + "\n" + blank60 + "\n" +
                            "    0    0.000000    0.000000    0.000000\n"
                            "    2    0.100000    0.000000    0.000000\n"
                            "    1    0.000000    0.200000    0.000000\n"
                            "    2    0.000000    0.000000    0.300000\n"
                            "  1.00000E+00  3.00000E+00\n"
                            "  2.00000E+00  4.00000E+00\n");
}

TEST(TopondGrid, RowsOfSixteenAndOfThreeAndOfNine) {
  {
    // N1 = 16: every row is exactly two lines of eight.
    std::string text = header("  16   1   2");
    for (int row = 0; row < 2; ++row)
      for (int line = 0; line < 2; ++line) {
        for (int m = 0; m < 8; ++m) text += field((row + line + m) % 10);
        text += "\n";
      }
    const GridData grid = read_grid(text);
    ASSERT_EQ(grid.cube_array.size(), 32u);
    for (int k = 0; k < 2; ++k)
      for (int i = 0; i < 16; ++i)
        EXPECT_EQ(grid.cube_array[grid.index(i, 0, k)], (k + i / 8 + i % 8) % 10) << i << "," << k;
  }
  {
    // N1 = 3: one line of three per row; anything past column 48 is ignored.
    const std::string text = header("   3   2   1") + field(1) + field(2) + field(3) + field(9) + "\n" + field(4) +
                             field(5) + field(6) + " junk\n";
    const GridData grid = read_grid(text);
    EXPECT_EQ(grid.cube_array, (std::vector<double>{1, 2, 3, 4, 5, 6}));
  }
  {
    // N1 = 9: eight values then a line of one; a row's short line reads as
    // padded with blanks (zeros) and the next row still starts on a new line.
    std::string eight;
    for (int m = 1; m <= 8; ++m) eight += field(m);
    const std::string text = header("   9   2   1") + eight + "\n" + field(9) + "\n" + field(1) + field(2) + "\n" +
                             "\n";
    const GridData grid = read_grid(text);
    EXPECT_EQ(grid.cube_array, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST(TopondGrid, ValueFieldsAsTheTextLayerReadsThem) {
  // A field without a decimal point takes its last eight digits as the
  // fraction; D exponents and sign-only exponents read; blanks read as zero.
  const std::string text = header("   4   1   1") + "        12345678  0.12345678D+02 -0.50000000-002                \n";
  const GridData grid = read_grid(text);
  EXPECT_EQ(grid.cube_array, (std::vector<double>{0.12345678, 12.345678, -0.5e-2, 0.0}));
}

// A count of 0 or less (a blank count line reads 0 0 0) is rejected as the
// cube reader rejects it, naming the file, the line, the axis and the count.
TEST(TopondGrid, CountsBelowOneAreRejected) {
  const struct {
    const char* counts;
    const char* fault;
  } cases[] = {
      {"   0   5   5", "the number of grid points along axis 1 is 0 (it must be at least 1)"},
      {"", "the number of grid points along axis 1 is 0 (it must be at least 1)"},
      {"   2  -1   2", "the number of grid points along axis 2 is -1 (it must be at least 1)"},
      {"   2   2   0", "the number of grid points along axis 3 is 0 (it must be at least 1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counts);
    try {
      read_grid(header(c.counts));
      ADD_FAILURE() << "not rejected";
    } catch (const GridFileRejected& e) {
      EXPECT_EQ(std::string(e.what()), std::string("TOPOND grid file grid.t3d, line 1: ") + c.fault);
    }
  }
}

TEST(TopondGrid, BadInputNamesFileAndLine) {
  using Kind = textio::TextIoError::Kind;
  // Cut inside the header: the end of file after line 2.
  textio::TextIoError e = read_error("   2   1   1\n 0.00000000E+00  9.99999999E+99  0.10000000E+00\n");
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  EXPECT_EQ(e.file(), "cut.t3d");
  EXPECT_EQ(e.line(), 3);
  // Cut inside the values: the second row's line is missing.
  e = read_error(header("   2   2   1") + field(1) + field(2) + "\n");
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  EXPECT_EQ(e.line(), 6);
  // A value that is not a number.
  e = read_error(header("   2   1   1") + field(1) + "  0.1000x000E+01\n");
  EXPECT_EQ(e.kind(), Kind::BadValue);
  EXPECT_EQ(e.line(), 5);
  // A count that is not a number.
  e = read_error("   2   x   1\n");
  EXPECT_EQ(e.kind(), Kind::BadValue);
  EXPECT_EQ(e.line(), 1);
}

TEST(TopondGrid, HugeCountsStopBeforeAllocating) {
  // 9999^3 doubles exceed any memory: the allocation guard ends the run.
  EXPECT_THROW(read_grid(header("9999999999999")), std::bad_alloc);
}

}  // namespace
}  // namespace tessaro
