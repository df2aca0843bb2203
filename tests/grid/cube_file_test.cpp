// Cube files: reading in CUB and GAU modes, the writer's exact text, round
// trips, bad and cut-short files, and real cubes (NWChem's in tests/data, the
// others in the shared data).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "grid/grid_files.hpp"
#include "grid_test_util.hpp"
#include "run/threads.hpp"
#include "support/text_error.hpp"
#include "textio/textio.hpp"

namespace {

using grid_test::fixed_line;
using grid_test::read_grid;
using tessaro::GridData;
using tessaro::GridRole;
using tessaro::InputFormat;
using tessaro::textio::TextIoError;

// A value of five significant digits that tells its point apart (1-based
// i <= 999, j <= 3, k <= 12).
double value_at(std::size_t i, std::size_t j, std::size_t k) {
  double v = static_cast<double>(100 * i + 13 * j + k) / 100000.0;
  return k % 2 == 0 ? -v : v;
}

struct CubeShape {
  int n1, n2, n3;
  int natoms = 2;
  int extra_lines = 0;  // lines after each row (GAU gradient / Laplacian)
  int width = 13;       // 13: E13.5 fields; 14: "  3.20943E-023" style
};

// The value field as the reference text layer writes it, or the 14-column
// style with a three-digit exponent after the letter.
std::string field(double v, int width) {
  std::string s;
  if (width == 13) {
    tessaro::textio::put_E(s, v, 13, 5);
  } else {
    tessaro::textio::put_ES(s, v, 13, 5);  // " 1.02030E-01"
    s.insert(s.size() - 2, "0");           // " 1.02030E-001"
  }
  return s;
}

std::string cube_text(const CubeShape& c) {
  std::string s = " first title line\n second title line 1 2 3\n";
  s += fixed_line(c.natoms, {-1.5, 0.25, 2.0});
  s += fixed_line(c.n1, {0.1, 0.0, 0.0});
  s += fixed_line(c.n2, {0.0, 0.2, 0.0});
  s += fixed_line(c.n3, {0.0, 0.0, 0.3});
  for (int a = 0; a < c.natoms; ++a) s += fixed_line(a % 2 ? 1 : 8, {a % 2 ? 1.0 : 8.0, 0.5 * a, -0.5 * a, 1.25});
  for (int i = 1; i <= c.n1; ++i)
    for (int j = 1; j <= c.n2; ++j) {
      for (int k = 1; k <= c.n3; ++k) {
        s += field(value_at(i, j, k), c.width);
        if (k % 6 == 0 || k == c.n3) s += '\n';
      }
      for (int e = 0; e < c.extra_lines; ++e) s += "  further values of the row, skipped\n";
    }
  return s + "END\n";
}

void expect_values(const GridData& g, const CubeShape& c) {
  ASSERT_EQ(g.cube_array.size(), static_cast<std::size_t>(c.n1) * c.n2 * c.n3);
  for (std::size_t k = 1; k <= g.n3(); ++k)
    for (std::size_t j = 1; j <= g.n2(); ++j)
      for (std::size_t i = 1; i <= g.n1(); ++i)
        ASSERT_EQ(g.cube_array[g.index(i - 1, j - 1, k - 1)], value_at(i, j, k)) << i << " " << j << " " << k;
}

// Reads `text` and returns the line that follows what the reader took.
std::string read_and_next_line(const std::string& text, GridRole role, InputFormat format, GridData& g) {
  std::istringstream in(text);
  tessaro::textio::LineReader cube(in, "test.cube");
  g = tessaro::cube_in_array(cube, role, format, nullptr).grid;
  std::string_view next;
  return cube.next(next) ? std::string(next) : std::string("<end of file>");
}

TEST(CubeFileRead, PlacesEveryValueAtItsPointAndStopsAfterTheLastRow) {
  // N3 = 7 (a line of six and one of one), 12 (two full lines), 5 (one
  // short line); N1 >= 32 goes through the slab buffer, with a remainder.
  for (CubeShape c : {CubeShape{2, 3, 7}, CubeShape{3, 2, 12}, CubeShape{2, 2, 5}, CubeShape{35, 2, 3},
                      CubeShape{130, 2, 2}, CubeShape{1, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << c.n1 << "x" << c.n2 << "x" << c.n3);
    GridData g;
    EXPECT_EQ(read_and_next_line(cube_text(c), GridRole::Density, InputFormat::CUB, g), "END");
    EXPECT_EQ(g.natoms, 2);
    EXPECT_EQ(g.origin, (std::array<float, 3>{-1.5f, 0.25f, 2.0f}));
    EXPECT_EQ(g.n, (std::array<std::int32_t, 3>{c.n1, c.n2, c.n3}));
    EXPECT_EQ(g.axis[0], (std::array<float, 3>{0.1f, 0.0f, 0.0f}));
    EXPECT_EQ(g.axis[1], (std::array<float, 3>{0.0f, 0.2f, 0.0f}));
    EXPECT_EQ(g.axis[2], (std::array<float, 3>{0.0f, 0.0f, 0.3f}));
    ASSERT_EQ(g.atoms.size(), 2u);
    EXPECT_EQ(g.atoms[1].num_atomico, 1);
    EXPECT_EQ(g.atoms[1].charge, 1.0f);
    EXPECT_EQ(g.atoms[1].x, 0.5f);
    EXPECT_EQ(g.atoms[1].y, -0.5f);
    EXPECT_EQ(g.atoms[1].z, 1.25f);
    expect_values(g, c);
  }
}

TEST(CubeFileRead, GauModeSkipsTheFurtherLinesOfGradientAndLaplacianRows) {
  struct Case {
    int n3;
    GridRole role;
    InputFormat format;
    int extra;
  };
  // N3 = 7: 3 x 7 values fill 4 lines; the Laplacian adds the 2 lines of a row.
  for (Case c : {Case{7, GridRole::Gradient, InputFormat::GAU, 4}, Case{7, GridRole::Laplacian, InputFormat::GAU, 6},
                 Case{12, GridRole::Gradient, InputFormat::GAU, 6}, Case{12, GridRole::Laplacian, InputFormat::GAU, 8},
                 Case{5, GridRole::Laplacian, InputFormat::GAU, 4}, Case{7, GridRole::Density, InputFormat::GAU, 0},
                 Case{7, GridRole::Laplacian, InputFormat::CUB, 0}}) {
    SCOPED_TRACE(testing::Message() << "N3 " << c.n3 << " role " << static_cast<int>(c.role));
    CubeShape shape{2, 3, c.n3, 1, c.extra};
    GridData g;
    EXPECT_EQ(read_and_next_line(cube_text(shape), c.role, c.format, g), "END");
    expect_values(g, shape);
  }
}

TEST(CubeFileRead, HeaderEdgeCases) {
  // No atoms: the values start on line 7. A fifth number on line 3 is
  // ignored; a field without a point takes its last six digits as fraction.
  std::string text = " t\n t\n    0   -1.000000    0.000000    0.000000    3.000000\n"
                     "    2           5    0.000000    0.000000\n"
                     "    1    0.000000    1.000000    0.000000\n"
                     "    1    0.000000    0.000000    1.000000\n"
                     "  0.10000E+01\n  0.20000E+01\n";
  const GridData g = read_grid(text, GridRole::Density, InputFormat::CUB);
  EXPECT_EQ(g.natoms, 0);
  EXPECT_TRUE(g.atoms.empty());
  EXPECT_EQ(g.origin[0], -1.0f);
  EXPECT_EQ(g.axis[0][0], 0.000005f);
  EXPECT_EQ(g.cube_array, (std::vector<double>{1.0, 2.0}));
}

TEST(CubeFileRead, ShortValueLinesGiveZerosAndTheNextRowStartsOnTheNextLine) {
  std::string text = " t\n t\n" + fixed_line(0, {0, 0, 0}) + fixed_line(2, {1, 0, 0}) + fixed_line(1, {0, 1, 0}) +
                     fixed_line(8, {0, 0, 1}) +
                     "  1.0 2.0 3.0\n  7.0 8.0\n"                  // row i = 1: k = 1..3, then 7, 8
                     "  9.0 9.0 9.0 9.0 9.0 9.0 99.0\n  1.5\n";  // row i = 2: a seventh item is ignored
  const GridData g = read_grid(text, GridRole::Density, InputFormat::CUB);
  auto at = [&](std::size_t i, std::size_t k) { return g.cube_array[g.index(i, 0, k)]; };
  EXPECT_EQ(at(0, 0), 1.0);
  EXPECT_EQ(at(0, 2), 3.0);
  EXPECT_EQ(at(0, 3), 0.0);
  EXPECT_EQ(at(0, 5), 0.0);
  EXPECT_EQ(at(0, 6), 7.0);
  EXPECT_EQ(at(0, 7), 8.0);
  EXPECT_EQ(at(1, 5), 9.0);
  EXPECT_EQ(at(1, 6), 1.5);
  EXPECT_EQ(at(1, 7), 0.0);
}

TEST(CubeFileRead, FourteenColumnValuesReadRight) {
  // "  1.14000E-003" is 14 columns: read column by column it would give
  // 1.14000E-00 and a garbled next field.
  CubeShape c{2, 2, 8, 1, 0, 14};
  std::string text = cube_text(c);
  ASSERT_NE(text.find("E-003"), std::string::npos);
  const GridData g = read_grid(text, GridRole::Density, InputFormat::CUB);
  expect_values(g, c);
}

TEST(CubeFileRead, CutShortOrNonNumbersAreTextLayerErrorsWithFileAndLine) {
  const std::string good = cube_text(CubeShape{1, 2, 7, 2});  // lines 1-6 header, 7-8 atoms, 9-12 values
  auto cut = [&](int lines) {
    std::size_t at = 0;
    for (int l = 0; l < lines; ++l) at = good.find('\n', at) + 1;
    return good.substr(0, at);
  };
  auto replace_line = [&](int line, const std::string& with) {
    std::string before = cut(line - 1), rest = good.substr(cut(line).size());
    return before + with + "\n" + rest;
  };
  struct Case {
    std::string text;
    TextIoError::Kind kind;
    long line;
  };
  const std::vector<Case> cases = {
      {cut(1), TextIoError::Kind::EndOfFile, 2},
      {cut(4), TextIoError::Kind::EndOfFile, 5},
      {cut(7), TextIoError::Kind::EndOfFile, 8},
      {cut(10), TextIoError::Kind::EndOfFile, 11},
      {cut(11), TextIoError::Kind::EndOfFile, 12},
      {replace_line(3, "    2   -1.5000xx    0.250000    2.000000"), TextIoError::Kind::BadValue, 3},
      {replace_line(5, "   2a    0.000000    0.200000    0.000000"), TextIoError::Kind::BadValue, 5},
      {replace_line(8, "    1    1.000000    0.500000   -0.500000    1.25000e"), TextIoError::Kind::BadValue, 8},
      {replace_line(9, "  0.10000E+00  0.1000OE+00"), TextIoError::Kind::BadValue, 9},
      {replace_line(10, "  0.1000OE+00"), TextIoError::Kind::BadValue, 10},
      {replace_line(12, "  ***********"), TextIoError::Kind::BadValue, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TextIoError e = tessaro::testing::text_error([&] { read_grid(c.text, GridRole::Density, InputFormat::CUB); });
    EXPECT_EQ(e.kind(), c.kind);
    EXPECT_EQ(e.file(), "test.cube");
    EXPECT_EQ(e.line(), c.line);
  }
}

TEST(CubeFileRead, RejectedHeadersNameFileLineAndFault) {
  struct Case {
    std::string header;
    std::string message;
  };
  const std::string axes = fixed_line(2, {1, 0, 0}) + fixed_line(2, {0, 1, 0}) + fixed_line(2, {0, 0, 1});
  const std::vector<Case> cases = {
      {fixed_line(-3, {0, 0, 0}) + axes,
       "cube file test.cube, line 3: the atom count -3 is negative (cube files with orbital data are not supported)"},
      {fixed_line(0, {0, 0, 0}) + fixed_line(2, {1, 0, 0}) + fixed_line(0, {0, 1, 0}) + fixed_line(2, {0, 0, 1}),
       "cube file test.cube, line 5: the number of grid points along axis 2 is 0 (it must be at least 1)"},
      {fixed_line(0, {0, 0, 0}) + fixed_line(2, {1, 0, 0}) + fixed_line(2, {0, 1, 0}) + fixed_line(-4, {0, 0, 1}),
       "cube file test.cube, line 6: the number of grid points along axis 3 is -4 (it must be at least 1)"},
      // Axes of length 0, also one whose squares underflow in single precision.
      {fixed_line(0, {0, 0, 0}) + fixed_line(2, {0, 0, 0}) + fixed_line(2, {0, 1, 0}) + fixed_line(2, {0, 0, 1}),
       "cube file test.cube, line 4: the step vector of axis 1 has length 0"},
      {fixed_line(0, {0, 0, 0}) + fixed_line(2, {1, 0, 0}) + fixed_line(2, {0, 1, 0}) +
           "    2    0.000000     1.0E-30    0.000000\n",
       "cube file test.cube, line 6: the step vector of axis 3 has length 0"},
      // Atoms beyond the periodic table (0 to 118).
      {fixed_line(1, {0, 0, 0}) + axes + "  119  118.000000    0.000000    0.000000    0.000000\n",
       "cube file test.cube, line 7: the atomic number 119 lies outside 0-118"},
      {fixed_line(2, {0, 0, 0}) + axes + "    0    0.000000    0.000000    0.000000    0.000000\n" +
           "    8     1.0E+30    0.000000    0.000000    0.000000\n",
       "cube file test.cube, line 8: the nuclear charge 1.0000000E+30 lies outside 0-118"},
      {fixed_line(1, {0, 0, 0}) + axes + "   -1   -1.000000    0.000000    0.000000    0.000000\n",
       "cube file test.cube, line 7: the atomic number -1 lies outside 0-118"},
  };
  for (const Case& c : cases) {
    try {
      read_grid(" t\n t\n" + c.header + "  0.1 0.2\n", GridRole::Density, InputFormat::CUB);
      ADD_FAILURE() << "the header was taken";
    } catch (const tessaro::GridFileRejected& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(CubeFileRead, GridTooLargeForMemoryStopsBeforeAllocating) {
  std::string text = " t\n t\n" + fixed_line(0, {0, 0, 0}) + fixed_line(9999, {1, 0, 0}) +
                     fixed_line(9999, {0, 1, 0}) + fixed_line(9999, {0, 0, 1}) + "  0.1\n";
  std::istringstream in(text);
  tessaro::textio::LineReader cube(in, "pipe");  // no size: the file might hold the values
  EXPECT_THROW(tessaro::cube_in_array(cube, GridRole::Density, InputFormat::CUB, nullptr), std::bad_alloc);
}

// Every value line takes a byte at least (a short line reads as zeros): a
// file of just that many bytes reads, and one byte less ends where a read
// line by line would, before the grid is allocated.
TEST(CubeFileRead, CountsAreBoundedByTheBytesLeftInTheFile) {
  const struct {
    InputFormat format;
    GridRole role;
    std::size_t value_lines;  // of a 2 x 3 x 7 grid: rows of two lines
  } cases[] = {
      {InputFormat::CUB, GridRole::Density, 2 * 3 * 2},
      {InputFormat::GAU, GridRole::Laplacian, 2 * 3 * (2 + 4 + 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value_lines);
    std::string text = " t\n t\n" + fixed_line(1, {0, 0, 0}) + fixed_line(2, {1, 0, 0}) + fixed_line(3, {0, 1, 0}) +
                       fixed_line(7, {0, 0, 1}) + fixed_line(8, {8, 0, 0, 0}) + std::string(c.value_lines, '\n');
    EXPECT_EQ(read_grid(text, c.role, c.format).cube_array, std::vector<double>(42, 0.0));
    text.pop_back();
    const TextIoError e = tessaro::testing::text_error([&] { read_grid(text, c.role, c.format); });
    EXPECT_STREQ(e.what(), ("End of file: file test.cube, line " + std::to_string(7 + c.value_lines)).c_str());
  }
}

// A cube of several blocks of the line reader, with rows that end in a short
// line, read and written with 1, 2, 3 and 7 threads: the same values and
// text, and the first bad line named when a later one (in another block, or
// another thread's share) is bad too, or when the file ends early.
TEST(CubeFileRead, AnyThreadCountReadsAndWritesTheSameAndNamesTheFirstBadLine) {
  const CubeShape shape{131, 3, 800, 0, 0, 14};  // 134 lines a row; 4.5 MB
  const std::string good = cube_text(shape);
  const long rows_start = 7, last_line = rows_start + 131 * 3 * 134 - 1;
  auto line_at = [&](long line) {
    std::size_t at = 0;
    for (long l = 1; l < line; ++l) at = good.find('\n', at) + 1;
    return at;
  };
  auto spoil = [&](std::string text, std::initializer_list<long> lines) {
    for (long line : lines) text.replace(line_at(line), 6, "  x.0 ");
    return text;
  };
  struct Case {
    std::string text;
    long line;  // of the error; 0: none
    TextIoError::Kind kind = TextIoError::Kind::BadValue;
  };
  const std::vector<Case> cases = {
      {good, 0},
      {spoil(good, {last_line - 1, last_line}), last_line - 1},
      {spoil(good, {rows_start + 1000, last_line - 3}), rows_start + 1000},
      {spoil(good, {rows_start + 7000, rows_start + 9000}), rows_start + 7000},  // one slab group
      {good.substr(0, line_at(last_line - 2)), last_line - 2, TextIoError::Kind::EndOfFile},
  };
  const int saved = tessaro::thread_count();
  std::string written_by_one;
  for (const int threads : {1, 2, 3, 7}) {
    tessaro::set_thread_count(threads);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(threads) + " threads, error at line " + std::to_string(c.line));
      // No file size: a file cut short is found by reading.
      std::istringstream in(c.text);
      tessaro::textio::LineReader cube(in, "test.cube");
      if (c.line == 0) {
        const GridData g = tessaro::cube_in_array(cube, GridRole::Density, InputFormat::CUB, nullptr).grid;
        expect_values(g, shape);
        // The cube, and the same values as a grd file (rows along axis 1, in
        // more than one block of text).
        std::ostringstream out;
        tessaro::cube_writing(out, g, g.cube_array);
        tessaro::grd_writing(out, g.cube_array, 0, g.n[0], g.n[1], g.n[2], {});
        if (threads == 1) written_by_one = out.str();
        EXPECT_TRUE(out.str() == written_by_one);
        continue;
      }
      const TextIoError e = tessaro::testing::text_error(
          [&] { tessaro::cube_in_array(cube, GridRole::Density, InputFormat::CUB, nullptr); });
      EXPECT_EQ(e.kind(), c.kind);
      EXPECT_EQ(e.line(), c.line);
    }
  }
  tessaro::set_thread_count(saved);
}

TEST(CubeFileWrite, ExactTextOfASmallGrid) {
  GridData g;
  g.natoms = 1;
  g.origin = {-1.5f, 0.25f, 2.0f};
  g.n = {2, 1, 7};
  g.axis = {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.2f, 0.0f}, {0.0f, 0.0f, 0.3f}}};
  g.atoms = {{8, 8.0f, 0.0f, -0.5f, 1.25f}};
  // values[i + 2 * k] for i = 0, 1 (j has one point)
  const double row1[7] = {1.0, -0.5, 0.0, 2.5e-5, 9.999996, -3.20943e-23, 1.0e-120};
  g.cube_array.resize(14);
  for (int k = 0; k < 7; ++k) {
    g.cube_array[g.index(0, 0, k)] = row1[k];
    g.cube_array[g.index(1, 0, k)] = 0.1 * (k + 1);
  }
  const std::string blank60(60, ' ');
  const std::string expected = blank60 + "\n" + blank60 + "\n" +
                               "    1   -1.500000    0.250000    2.000000\n"
                               "    2    0.100000    0.000000    0.000000\n"
                               "    1    0.000000    0.200000    0.000000\n"
                               "    7    0.000000    0.000000    0.300000\n"
                               "    8    8.000000    0.000000   -0.500000    1.250000\n"
                               "  1.00000E+00 -5.00000E-01  0.00000E+00  2.50000E-05  1.00000E+01 -3.20943E-23\n"
                               "  1.00000-120\n"
                               "  1.00000E-01  2.00000E-01  3.00000E-01  4.00000E-01  5.00000E-01  6.00000E-01\n"
                               "  7.00000E-01\n";
  std::ostringstream out;
  tessaro::cube_writing(out, g, g.cube_array);
  EXPECT_EQ(out.str(), expected);
}

// Header to six decimals and values to six significant digits.
void expect_round_trip(const GridData& a, const GridData& b) {
  EXPECT_EQ(b.natoms, a.natoms);
  EXPECT_EQ(b.n, a.n);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(b.origin[c], a.origin[c], 5e-7);
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(b.axis[r][c], a.axis[r][c], 5e-7);
  }
  ASSERT_EQ(b.atoms.size(), a.atoms.size());
  for (std::size_t t = 0; t < a.atoms.size(); ++t) {
    EXPECT_EQ(b.atoms[t].num_atomico, a.atoms[t].num_atomico);
    EXPECT_NEAR(b.atoms[t].charge, a.atoms[t].charge, 5e-7);
    EXPECT_NEAR(b.atoms[t].x, a.atoms[t].x, 5e-7);
    EXPECT_NEAR(b.atoms[t].y, a.atoms[t].y, 5e-7);
    EXPECT_NEAR(b.atoms[t].z, a.atoms[t].z, 5e-7);
  }
  ASSERT_EQ(b.cube_array.size(), a.cube_array.size());
  for (std::size_t p = 0; p < a.cube_array.size(); ++p)
    ASSERT_NEAR(b.cube_array[p], a.cube_array[p], 5e-6 * std::fabs(a.cube_array[p])) << "point " << p;
}

GridData write_and_read(const GridData& g) {
  std::ostringstream out;
  tessaro::cube_writing(out, g, g.cube_array);
  return read_grid(out.str(), GridRole::Density, InputFormat::CUB);
}

TEST(CubeFileWrite, RoundTripOfValuesWithSeventeenDigits) {
  // 40 points along axis 1 take the slab path both ways.
  GridData g;
  g.natoms = 0;
  g.origin = {-7.123456f, 0.000001f, 123.5f};
  g.n = {40, 3, 13};
  g.axis = {{{0.25f, 0.01f, 0.0f}, {0.0f, 0.25f, 0.0f}, {-0.1f, 0.0f, 0.333333f}}};
  g.cube_array.resize(g.size());
  for (std::size_t p = 0; p < g.size(); ++p)
    g.cube_array[p] = std::sin(0.37 * static_cast<double>(p) + 0.1) * std::pow(10.0, static_cast<double>(p % 40) - 20);
  expect_round_trip(g, write_and_read(g));
}

struct RealCube {
  const char* file;
  int natoms, n1, n2, n3;
  double first_value;
};

// Each cube reads to its last line, then round-trips.
void expect_real_cubes_read(const std::filesystem::path& dir, std::initializer_list<RealCube> cases) {
  for (const RealCube& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string name = (dir / c.file).string();
    std::ifstream in(name, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << name;
    tessaro::textio::LineReader cube(in, name);
    const GridData g = tessaro::cube_in_array(cube, GridRole::Density, InputFormat::CUB, nullptr).grid;
    std::string_view rest;
    EXPECT_FALSE(cube.next(rest)) << "unread line: " << rest;
    EXPECT_EQ(g.natoms, c.natoms);
    EXPECT_EQ(g.n, (std::array<std::int32_t, 3>{c.n1, c.n2, c.n3}));
    EXPECT_EQ(g.cube_array[0], c.first_value);
    expect_round_trip(g, write_and_read(g));
  }
}

TEST(CubeFileReal, NwchemCubesReadAndRoundTrip) {
  expect_real_cubes_read(std::filesystem::path(TESSARO_TEST_DATA) / "wavefunction",
                         {{"water_dimer_density.cube", 6, 57, 49, 49, 0.94082E-17},
                          {"formic_dimer_density.cube", 10, 61, 45, 25, 0.23508E-06}});
}

TEST(CubeFileReal, SharedDataCubesReadAndRoundTrip) {
  const std::filesystem::path data(TESSARO_SHARED_DATA);
  if (!std::filesystem::is_directory(data)) GTEST_SKIP() << "shared data not found at " << data;
  expect_real_cubes_read(data / "cube_external", {{"cubegen_h2o_5points.cube", 3, 5, 5, 5, 1.11902E-10},
                                                  {"cubegen_nh3_7points.cube", 4, 7, 7, 7, 5.13939E-08},
                                                  {"crystal_ech3_MgOCO.cube", 8, 20, 20, 136, 0.0}});
}

}  // namespace
