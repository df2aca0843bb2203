// XD grd files: XD2 reading beside a cube header (header lines, i-fastest
// values, unit conversions), the writer's exact text, the density unit of grd
// files, bad files, and the real 2-D map of the shared data.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "grid/grid_files.hpp"
#include "grid_test_util.hpp"
#include "support/files.hpp"
#include "support/text_error.hpp"
#include "textio/textio.hpp"

namespace {

using grid_test::fixed_line;
using grid_test::read_grid;
using grid_test::read_grid_file;
using tessaro::GridData;
using tessaro::GridRole;
using tessaro::InputFormat;
using tessaro::textio::TextIoError;

constexpr double kDensity = 0.14818464289233146;
constexpr double kGradient = 0.07841592392746348;
constexpr double kLaplacian = 0.04149591351288367;

// Ten significant digits that tell the point apart (1-based i, j, k < 100).
double grd_value(std::size_t i, std::size_t j, std::size_t k) {
  double v = static_cast<double>(1000000 * i + 1000 * j + k) / 1.0e7;
  return (i + j) % 2 == 0 ? v : -v;
}

// Header and atom lines of a cube; in XD2 mode nothing more is needed.
std::string cube_header(int natoms, int n1, int n2, int n3) {
  std::string s = " grd companion\n\n" + fixed_line(natoms, {0.5, -0.5, 0.0}) + fixed_line(n1, {0.2, 0.0, 0.0}) +
                  fixed_line(n2, {0.0, 0.2, 0.0}) + fixed_line(n3, {0.0, 0.0, 0.2});
  for (int a = 0; a < natoms; ++a) s += fixed_line(6, {6.0, 0.1 * a, 0.0, 0.0});
  return s;
}

std::vector<std::string> header_lines(int count) {
  std::vector<std::string> h;
  for (int l = 1; l <= count; ++l) h.push_back("line " + std::to_string(l));
  h[1] = "     FOU";                       // leading blanks
  h[2] = std::string(85, 'x') + "tail";  // longer than 80 columns
  return h;
}

std::string grd_text(int natoms, int n1, int n2, int n3) {
  std::string s;
  for (const std::string& line : header_lines(natoms + 12)) s += line + "\n";
  for (int k = 1; k <= n3; ++k)
    for (int j = 1; j <= n2; ++j)
      for (int i = 1; i <= n1; ++i) {
        tessaro::textio::put_E(s, grd_value(i, j, k), 18, 10);
        if (i % 6 == 0 || i == n1) s += '\n';
      }
  return s;
}

TEST(GrdFileRead, ValuesFirstIndexFastestConvertedByRole) {
  // N1 = 8: a line of six and a line of two per row; N1 = 6: one full line.
  for (int n1 : {8, 6, 1}) {
    for (GridRole role : {GridRole::Density, GridRole::Gradient, GridRole::Laplacian}) {
      SCOPED_TRACE(testing::Message() << "N1 " << n1 << " role " << static_cast<int>(role));
      const int natoms = 2, n2 = 3, n3 = 2;
      const std::string grd = grd_text(natoms, n1, n2, n3);
      const tessaro::GridFile file = read_grid_file(cube_header(natoms, n1, n2, n3), role, InputFormat::XD2, &grd);
      const GridData& g = file.grid;
      EXPECT_EQ(g.natoms, natoms);
      EXPECT_EQ(g.n, (std::array<std::int32_t, 3>{n1, n2, n3}));
      ASSERT_EQ(g.atoms.size(), 2u);
      EXPECT_EQ(g.atoms[1].x, 0.1f);
      for (int k = 1; k <= n3; ++k)
        for (int j = 1; j <= n2; ++j)
          for (int i = 1; i <= n1; ++i) {
            const double v = grd_value(i, j, k);
            const double expected = role == GridRole::Density    ? v * kDensity
                                    : role == GridRole::Gradient ? v * kGradient
                                                                 : -(v * kLaplacian);
            ASSERT_EQ(g.cube_array[g.index(i - 1, j - 1, k - 1)], expected) << i << " " << j << " " << k;
          }
      const auto& kept = file.grd_intestaz;
      if (role == GridRole::Density) {
        ASSERT_EQ(kept.size(), 14u);
        EXPECT_EQ(kept[0], "line 1" + std::string(74, ' '));
        EXPECT_EQ(kept[1], "     FOU" + std::string(72, ' '));
        EXPECT_EQ(kept[2], std::string(80, 'x'));
        for (const std::string& line : kept) EXPECT_EQ(line.size(), 80u);
      } else {
        EXPECT_TRUE(kept.empty());
      }
    }
  }
}

TEST(GrdFileRead, UnitConversionsOfOne) {
  const std::string cube = cube_header(0, 1, 1, 1);
  std::string grd;
  for (int l = 0; l < 12; ++l) grd += "h\n";
  grd += "  0.1000000000E+01\n";
  for (auto [role, expected] : {std::pair{GridRole::Density, 0.14818464289233146},
                                std::pair{GridRole::Gradient, 0.07841592392746348},
                                std::pair{GridRole::Laplacian, -0.04149591351288367}}) {
    EXPECT_EQ(read_grid(cube, role, InputFormat::XD2, &grd).cube_array, std::vector<double>{expected});
  }
}

TEST(GrdFileRead, CubeIsReadOnlyUpToItsAtomLines) {
  std::string cube = cube_header(1, 2, 1, 1) + "  this line is never read\n";
  std::string grd = grd_text(1, 2, 1, 1) + "after\n";
  std::istringstream cube_in(cube), grd_in(grd);
  tessaro::textio::LineReader cube_reader(cube_in, "c.cube"), grd_reader(grd_in, "g.grd");
  tessaro::cube_in_array(cube_reader, GridRole::Density, InputFormat::XD2, &grd_reader);
  std::string_view next;
  ASSERT_TRUE(cube_reader.next(next));
  EXPECT_EQ(next, "  this line is never read");
  ASSERT_TRUE(grd_reader.next(next));
  EXPECT_EQ(next, "after");
}

TEST(GrdFileRead, CutShortOrNonNumbersNameTheGrdFileAndLine) {
  const std::string cube = cube_header(0, 8, 1, 1);
  const std::string good = grd_text(0, 8, 1, 1);  // 12 header lines, values on lines 13-14
  auto first_lines = [&](int lines) {
    std::size_t at = 0;
    for (int l = 0; l < lines; ++l) at = good.find('\n', at) + 1;
    return good.substr(0, at);
  };
  struct Case {
    std::string grd;
    TextIoError::Kind kind;
    long line;
  };
  const std::vector<Case> cases = {
      {first_lines(5), TextIoError::Kind::EndOfFile, 6},
      {first_lines(12), TextIoError::Kind::EndOfFile, 13},
      {first_lines(13), TextIoError::Kind::EndOfFile, 14},
      {first_lines(13) + "  0.1000000000E+01  0.1O00000000E+01\n", TextIoError::Kind::BadValue, 14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.grd);
    const TextIoError e =
        tessaro::testing::text_error([&] { read_grid(cube, GridRole::Density, InputFormat::XD2, &c.grd); });
    EXPECT_EQ(e.kind(), c.kind);
    EXPECT_EQ(e.file(), "test.grd");
    EXPECT_EQ(e.line(), c.line);
  }
}

TEST(GrdFileWrite, ExactTextHeaderLeftJustified) {
  std::vector<std::string> header = header_lines(13);
  header[3] = "   ! Values" + std::string(69, ' ');
  std::vector<double> values(8 * 1 * 2);
  for (std::size_t p = 0; p < values.size(); ++p) values[p] = grd_value(p % 8 + 1, 1, p / 8 + 1);
  values[1] = 0.0;
  values[2] = -1.0e-120;
  std::ostringstream out;
  tessaro::grd_writing(out, values, 1, 8, 1, 2, header);

  std::string expected = "line 1" + std::string(74, ' ') + "\n" + "FOU" + std::string(77, ' ') + "\n" +
                         std::string(80, 'x') + "\n" + "! Values" + std::string(72, ' ') + "\n";
  for (int l = 5; l <= 13; ++l) {
    std::string line = "line " + std::to_string(l);
    expected += line + std::string(80 - line.size(), ' ') + "\n";
  }
  expected +=
      "  0.1001001000E+00  0.0000000000E+00 -0.1000000000-119 -0.4001001000E+00  0.5001001000E+00 -0.6001001000E+00\n"
      "  0.7001001000E+00 -0.8001001000E+00\n"
      "  0.1001002000E+00 -0.2001002000E+00  0.3001002000E+00 -0.4001002000E+00  0.5001002000E+00 -0.6001002000E+00\n"
      "  0.7001002000E+00 -0.8001002000E+00\n";
  EXPECT_EQ(out.str(), expected);
}

TEST(GrdFileWrite, DensityUnitIsElectronsPerCubicAngstrom) {
  // One electron per cubic angstrom is 0.14818464289233146 per cubic bohr.
  std::vector<double> values = {0.14818464289233146, -2 * 0.14818464289233146, 0.0};
  tessaro::to_grd_density_units(values);
  EXPECT_EQ(values, (std::vector<double>{1.0, -2.0, 0.0}));
}

TEST(GrdFileWrite, ShortHeaderListStillGivesAtomCountPlusTwelveLines) {
  std::vector<std::string> header = {"only"};
  std::vector<double> values = {2.0};
  std::ostringstream out;
  tessaro::grd_writing(out, values, 1, 1, 1, 1, header);
  EXPECT_EQ(out.str(), "only" + std::string(76, ' ') + "\n" + [] {
    std::string blank;
    for (int l = 0; l < 12; ++l) blank += std::string(80, ' ') + "\n";
    return blank;
  }() + "  0.2000000000E+01\n");
}

// Read, convert back to the file's unit, write, read again: line sources, a
// stream and plain values only.
TEST(GrdFileWrite, DensityRoundTripThroughStreams) {
  const int natoms = 1, n1 = 7, n2 = 2, n3 = 3;
  const std::string cube = cube_header(natoms, n1, n2, n3), grd = grd_text(natoms, n1, n2, n3);
  const tessaro::GridFile first = read_grid_file(cube, GridRole::Density, InputFormat::XD2, &grd);
  std::vector<double> values = first.grid.cube_array;
  tessaro::to_grd_density_units(values);
  std::ostringstream out;
  tessaro::grd_writing(out, values, natoms, n1, n2, n3, first.grd_intestaz);
  const std::string written = out.str();
  const tessaro::GridFile second = read_grid_file(cube, GridRole::Density, InputFormat::XD2, &written);
  EXPECT_EQ(second.grd_intestaz[0], first.grd_intestaz[0]);
  EXPECT_EQ(second.grd_intestaz[1], "FOU" + std::string(77, ' '));  // left-justified on writing
  ASSERT_EQ(second.grid.cube_array.size(), first.grid.cube_array.size());
  // Ten significant digits in the file, and the unit factor both ways.
  for (std::size_t p = 0; p < values.size(); ++p)
    EXPECT_NEAR(second.grid.cube_array[p], first.grid.cube_array[p], 1e-10 * std::fabs(first.grid.cube_array[p])) << p;
}

TEST(GrdFileReal, SharedDataXdMapReadsBesideAWrittenCubeHeaderAndRoundTrips) {
  const std::filesystem::path file = std::filesystem::path(TESSARO_SHARED_DATA) / "xd_grd" / "xd_fou.grd";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "shared data not found: " << file;
  const std::string grd = tessaro::testing::read_file(file);
  const std::string cube = cube_header(75, 100, 100, 1);

  const tessaro::GridFile read = read_grid_file(cube, GridRole::Density, InputFormat::XD2, &grd);
  const GridData& g = read.grid;
  const auto& kept = read.grd_intestaz;
  ASSERT_EQ(kept.size(), 87u);
  EXPECT_EQ(kept[0].substr(0, 11), "2DGRDFIL  0");
  EXPECT_EQ(kept[9].substr(0, 14), "C(6A)     -1.2");
  EXPECT_EQ(kept[86].substr(0, 9), "! Values ");
  ASSERT_EQ(g.cube_array.size(), 10000u);
  EXPECT_EQ(g.cube_array[g.index(0, 0, 0)], 0.5106334023E-01 * kDensity);
  EXPECT_EQ(g.cube_array[g.index(6, 0, 0)], -0.3634554187E-01 * kDensity);  // second line of the first row
  EXPECT_EQ(g.cube_array[g.index(96, 0, 0)], 0.2284705408E-01 * kDensity);  // the row's short last line

  // Back to electrons per cubic angstrom on writing, then read again.
  std::vector<double> values = g.cube_array;
  tessaro::to_grd_density_units(values);
  std::ostringstream out;
  tessaro::grd_writing(out, values, 75, 100, 100, 1, kept);
  const std::string written = out.str();
  const tessaro::GridFile back = read_grid_file(cube, GridRole::Density, InputFormat::XD2, &written);
  for (std::size_t p = 0; p < g.cube_array.size(); ++p)
    ASSERT_NEAR(back.grid.cube_array[p], g.cube_array[p], 1e-9 * std::fabs(g.cube_array[p])) << p;
  EXPECT_EQ(back.grd_intestaz[1], "FOU" + std::string(77, ' '));
}

}  // namespace
