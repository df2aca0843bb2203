// The CRYSTAL output scan, the symmetry expansion and the conversion to bohr.
// Expected coordinates were worked out by hand (single-precision sums, the
// bohr 0.5291771292686462 angstrom), not taken from our own output.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "input/symm_operation.hpp"
#include "support/files.hpp"
#include "support/text_error.hpp"
#include "topond/crystal_output.hpp"

namespace tessaro {
namespace {

using testing::read_file;

using Vec = std::array<float, 3>;
using Lattice = std::array<Vec, 3>;

using Ops = std::vector<SymmetryOperation>;
const SymmetryOperation kIdentity{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {}};
const SymmetryOperation kInversion{{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, {}};

CrystalCell cell_of(std::initializer_list<std::pair<std::string, Vec>> atoms, const Lattice& lattice) {
  CrystalCell cell;
  long line = 1;
  for (const auto& [label, frac] : atoms) cell.atoms.push_back(CrystalAtom{label, frac, line++});
  cell.lattice = lattice;
  return cell;
}

CrystalCell scan(const std::string& text, const std::string& name = "crystal.out") {
  std::istringstream in(text);
  textio::LineReader reader(in, name);
  return read_crystal_output(reader);
}

textio::TextIoError scan_error(const std::string& text) {
  return testing::text_error([&] { scan(text, "cut.out"); });
}

const std::string kCount = " NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:    1\n";
const std::string kAtom = "   1   6     5.000000000000E-01  0.000000000000E+00  0.000000000000E+00\n";
const std::string kLatticeHeading = " DIRECT LATTICE VECTORS CARTESIAN COMPONENTS (ANGSTROM)\n";
const std::string kLattice =
    "          X                    Y                    Z\n"
    "   0.529177130000E+01   0.000000000000E+00   0.000000000000E+00\n"
    "   0.000000000000E+00   0.529177130000E+01   0.000000000000E+00\n"
    "   0.000000000000E+00   0.000000000000E+00   0.529177130000E+01\n";

TEST(CrystalOutput, HandWrittenExcerpt) {
  // Decoys: an earlier atom count that the later one replaces, a line that
  // mentions INPUT COORDINATES past column 1, text after the fields, and a
  // second lattice block that is never reached.
  const CrystalCell cell = scan(read_file(TESSARO_TEST_DATA "/topond/hand_cell.out"));
  ASSERT_EQ(cell.atoms.size(), 2u);
  EXPECT_EQ(cell.atoms[0].label, "   1   8   ");
  EXPECT_EQ(cell.atoms[0].frac, (Vec{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(cell.atoms[0].line, 12);
  EXPECT_EQ(cell.atoms[1].label, "   2 230   ");
  EXPECT_EQ(cell.atoms[1].frac, (Vec{-0.25f, 0.0f, 0.5f}));
  EXPECT_EQ(cell.lattice[0], (Vec{5.29177129269f, 0, 0}));
  EXPECT_EQ(cell.lattice[2], (Vec{0, 0, 10.5835425854f}));
}

TEST(CrystalOutput, HeadingsAndCounts) {
  // Zero atoms: the column heading read after INPUT COORDINATES is itself
  // tested for the lattice heading.
  CrystalCell cell = scan(" NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:    0\n INPUT COORDINATES\n\n" +
                          kLatticeHeading + kLattice);
  EXPECT_TRUE(cell.atoms.empty());
  EXPECT_EQ(cell.lattice[1], (Vec{0, 5.2917713f, 0}));

  // The heading texts are matched from column 1: an indented one is no heading.
  cell = scan(kCount + "  INPUT COORDINATES\n INPUT COORDINATES\n\n ATOM\n" + kAtom + "  " + kLatticeHeading + "\n" +
              kLatticeHeading + kLattice);
  EXPECT_EQ(cell.atoms.size(), 1u);

  // The count must come before INPUT COORDINATES, and not be negative.
  const std::pair<std::string, std::string> rejected[] = {
      {" INPUT COORDINATES\n\n ATOM\n" + kCount + kAtom + kLatticeHeading + kLattice,
       "file holds no NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL: line before INPUT COORDINATES"},
      {" NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:   -3\n INPUT COORDINATES\n",
       "file gives a negative NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:"},
  };
  for (const auto& [text, message] : rejected) {
    try {
      scan(text);
      ADD_FAILURE() << "not rejected: " << message;
    } catch (const CrystalOutputRejected& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

TEST(CrystalOutput, CutOrMalformedFilesNameFileAndLine) {
  using Kind = textio::TextIoError::Kind;
  // Cut before the coordinates.
  textio::TextIoError e = scan_error(kCount + " SOMETHING ELSE\n");
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  EXPECT_EQ(e.file(), "cut.out");
  EXPECT_EQ(e.line(), 3);
  // Cut inside the atom lines.
  e = scan_error(kCount + " INPUT COORDINATES\n\n ATOM\n");
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  EXPECT_EQ(e.line(), 5);
  // Cut before the lattice vectors.
  e = scan_error(kCount + " INPUT COORDINATES\n\n ATOM\n" + kAtom + "\n LATTICE PARAMETERS\n");
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  EXPECT_EQ(e.line(), 8);
  // Cut inside the lattice vectors.
  e = scan_error(kCount + " INPUT COORDINATES\n\n ATOM\n" + kAtom + kLatticeHeading + kLattice.substr(0, 120));
  EXPECT_EQ(e.kind(), Kind::EndOfFile);
  // A coordinate that is not a number.
  e = scan_error(kCount + " INPUT COORDINATES\n\n ATOM\n   1   6     5.00000000000OE-01\n");
  EXPECT_EQ(e.kind(), Kind::BadValue);
  EXPECT_EQ(e.line(), 5);
  // An atom count that is not a number.
  e = scan_error(" NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:  two\n");
  EXPECT_EQ(e.kind(), Kind::BadValue);
  EXPECT_EQ(e.line(), 1);
}

TEST(CrystalOutput, ConversionToBohrByHand) {
  // A cubic cell of 5.2917713 angstrom: fractional 0.5 is 5 bohr to the last
  // digit of single precision.
  const Lattice cubic{{{5.2917713f, 0, 0}, {0, 5.2917713f, 0}, {0, 0, 5.2917713f}}};
  EXPECT_EQ(fractional_to_bohr(Vec{0.5f, 0, 0}, cubic), (Vec{5.0f, 0, 0}));
  // Face-centred cell of 2.1085 angstrom (MgO): (0.5, 0.5, 0.5) lies at
  // 2.1085 / 0.5291771292686462 = 3.98448824... bohr on every axis.
  const float a = 2.1085f;
  const Lattice fcc{{{0, a, a}, {a, 0, a}, {a, a, 0}}};
  EXPECT_EQ(fractional_to_bohr(Vec{0.5f, 0.5f, 0.5f}, fcc), (Vec{3.98448825f, 3.98448825f, 3.98448825f}));
  // The sum is formed in single precision: 0.001 a + 0.003 a rounds to a
  // different float than the same sum in double (0.015937952324...).
  EXPECT_EQ(fractional_to_bohr(Vec{0.5f, 0.001f, 0.003f}, fcc)[0], 0.01593795418739319f);
}

TEST(CrystalOutput, SymmetryImagesInOperationOrder) {
  const Lattice ten{{{5.29177129269f, 0, 0}, {0, 5.29177129269f, 0}, {0, 0, 10.5835425854f}}};
  const CrystalCell cell = cell_of({{"   1   8   ", {0.1f, 0.2f, 0.3f}}, {"   2 230   ", {-0.25f, 0.0f, 0.5f}}}, ten);

  // No operation: no atom at all.
  EXPECT_TRUE(cube_atoms(cell, Ops{}, "c.out").empty());

  // x,y,z and -x,-y,-z with two atoms: both atoms, then both inverted.
  const std::vector<GridAtom> pair = cube_atoms(cell, Ops{kIdentity, kInversion}, "c.out");
  ASSERT_EQ(pair.size(), 4u);
  const float expected[4][3] = {{1, 2, 6}, {-2.5f, 0, 10}, {-1, -2, -6}, {2.5f, 0, -10}};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(pair[n].x, expected[n][0]) << n;
    EXPECT_EQ(pair[n].y, expected[n][1]) << n;
    EXPECT_EQ(pair[n].z, expected[n][2]) << n;
  }
  // Atomic numbers from label columns 7-8: " 8" and the last two digits of 230.
  EXPECT_EQ(pair[0].num_atomico, 8);
  EXPECT_EQ(pair[0].charge, 8.0f);
  EXPECT_EQ(pair[1].num_atomico, 30);
  EXPECT_EQ(pair[3].charge, 30.0f);

  // y,x,z swaps the first two fractions; -x+1/2,y,z gives 0.5 - f1.
  const SymmetryOperation swap{{{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}}, {}};
  const SymmetryOperation mirror{{{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.5, 0, 0}};
  const std::vector<GridAtom> more = cube_atoms(cell, Ops{swap, mirror}, "c.out");
  ASSERT_EQ(more.size(), 4u);
  EXPECT_EQ((Vec{more[0].x, more[0].y, more[0].z}), (Vec{2, 1, 6}));
  EXPECT_EQ((Vec{more[1].x, more[1].y, more[1].z}), (Vec{0, -2.5f, 10}));
  EXPECT_EQ((Vec{more[2].x, more[2].y, more[2].z}), (Vec{4, 2, 6}));
  EXPECT_EQ((Vec{more[3].x, more[3].y, more[3].z}), (Vec{7.500000476837158f, 0, 10}));
}

TEST(CrystalOutput, RotationSumSingleTranslationDouble) {
  // A lattice of 8 bohr per axis keeps the fractions visible: x = 8 f exactly.
  const float eight_bohr = 4.233417034149170f;  // 8 x 0.5291771292686462, a float
  const Lattice cell8{{{eight_bohr, 0, 0}, {0, eight_bohr, 0}, {0, 0, eight_bohr}}};
  // x+y+1/2: 0.001 + 0.057 in single precision, then + 0.5 in double, gives
  // 0.55799997 (all in double it would be 0.55800003).
  const SymmetryOperation sum{{{{1, 1, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.5, 0, 0}};
  // x+0.1 with the translation in double: 0.005 + 0.1 gives 0.10499999672
  // (with 0.1 taken as a float it would be 0.10500000417).
  const SymmetryOperation shift{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.1, 0, 0}};
  const CrystalCell a = cell_of({{"   1   1   ", {0.001f, 0.057f, 0}}}, cell8);
  const CrystalCell b = cell_of({{"   1   1   ", {0.005f, 0, 0}}}, cell8);
  EXPECT_EQ(cube_atoms(a, Ops{sum}, "c.out")[0].x, 8 * 0.5579999685287476f);
  EXPECT_EQ(cube_atoms(b, Ops{shift}, "c.out")[0].x, 8 * 0.10499999672174454f);
}

TEST(CrystalOutput, LabelColumnsSevenAndEight) {
  const Lattice unit{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  // A blank in column 7 and 8 in column 8; a one-digit label in column 7 only
  // ("  8 " read as I2 from columns 7-8 gives 8 too); columns 7-8 of 230 and 292.
  const CrystalCell cell = cell_of({{"   1   8   ", {}}, {"   2  8    ", {}}, {"   3 230   ", {}}, {"   4 292   ", {}}},
                                   unit);
  const std::vector<GridAtom> atoms = cube_atoms(cell, Ops{kIdentity}, "c.out");
  ASSERT_EQ(atoms.size(), 4u);
  EXPECT_EQ(atoms[0].num_atomico, 8);
  EXPECT_EQ(atoms[1].num_atomico, 8);
  EXPECT_EQ(atoms[2].num_atomico, 30);
  EXPECT_EQ(atoms[3].num_atomico, 92);

  // Letters in columns 7-8 are a bad value of the atom's line in the file,
  // but only when an operation makes the label be read.
  const CrystalCell bad = cell_of({{"   1   8   ", {}}, {"   2  Zn   ", {}}}, unit);
  EXPECT_TRUE(cube_atoms(bad, Ops{}, "c.out").empty());
  try {
    cube_atoms(bad, Ops{kIdentity}, "c.out");
    FAIL() << "no TextIoError";
  } catch (const textio::TextIoError& e) {
    EXPECT_EQ(e.kind(), textio::TextIoError::Kind::BadValue);
    EXPECT_EQ(e.file(), "c.out");
    EXPECT_EQ(e.line(), 2);
  }
}

// A centred lattice: the hand-made rhombohedral excerpt prints a matrix
// that is not symmetric, M = (1 0 1 / -1 1 1 / 0 -1 1); only its columns give
// the hexagonal edges 5.0748, 5.0748, 13.86101 A (its rows would give 9.694,
// 7.462, 5.075).
TEST(CrystalOutput, RhombohedralExcerptUsesTheMatrixColumns) {
  const std::string text = read_file(TESSARO_TEST_DATA "/topond/hematite_excerpt.out");
  const CrystalCell cell = scan(text);
  // The printed primitive vectors stay as read.
  EXPECT_EQ(cell.lattice[2], (Vec{0, -2.92993714608f, 4.62033666667f}));
  ASSERT_TRUE(cell.conventional.has_value());

  // Fe at (0, 0, 0.3553) and O at (0.3059, 0, 0.25) of the hexagonal cell, in
  // bohr worked out in double from the edges: within 1e-4 bohr.
  const double bohr = 0.5291771292686462;
  const std::vector<GridAtom> atoms = cube_atoms(cell, Ops{kIdentity}, "h.out");
  ASSERT_EQ(atoms.size(), 2u);
  const double expected[2][3] = {{0, 0, 0.3553 * 13.86101 / bohr}, {0.3059 * 5.0748 / bohr, 0, 0.25 * 13.86101 / bohr}};
  for (std::size_t n = 0; n < 2; ++n) {
    EXPECT_NEAR(atoms[n].x, expected[n][0], 1e-4) << n;
    EXPECT_NEAR(atoms[n].y, expected[n][1], 1e-4) << n;
    EXPECT_NEAR(atoms[n].z, expected[n][2], 1e-4) << n;
  }

  // A matrix that cannot be checked, or fails the check, is never used.
  const std::string heading = "file has a TRANSFORMATION MATRIX PRIMITIVE-CRYSTALLOGRAPHIC CELL on line 18";
  const std::string matrix = "  1.0000  0.0000  1.0000 -1.0000  1.0000  1.0000  0.0000 -1.0000  1.0000";
  const std::string cell_line = "     5.07480000     5.07480000    13.86101000    90.000000  90.000000 120.000000";
  const std::string not_integers = heading + " that is not integers with determinant 2, 3 or 4";
  const std::pair<std::pair<std::string, std::string>, std::string> rejected[] = {
      {{cell_line, "     5.07480000     5.07480000    13.96101000    90.000000  90.000000 120.000000"},
       heading + " that gives the edges 5.0748 5.0748 13.861 where the CRYSTALLOGRAPHIC CELL on line 23 has 5.0748 "
                 "5.0748 13.961"},
      {{matrix, "  1.0000  0.0000  1.0000 -1.0000  1.0000  1.0000  0.0000 -1.0000  1.5000"}, not_integers},
      {{matrix, "  1.0000  0.0000  0.0000  0.0000  1.0000  0.0000  0.0000  0.0000  1.0000"}, not_integers},
      {{matrix, "  2.0000  0.0000  0.0000  0.0000  2.0000  0.0000  0.0000  0.0000  2.0000"}, not_integers},
      {{" CRYSTALLOGRAPHIC CELL (VOLUME=", " CRYSTALLOGRAPHIC CELL, VOLUME="},
       heading + " and no CRYSTALLOGRAPHIC CELL (VOLUME= line to check it against"},
  };
  for (const auto& [edit, message] : rejected) {
    std::string edited = text;
    edited.replace(edited.find(edit.first), edit.first.size(), edit.second);
    try {
      scan(edited);
      ADD_FAILURE() << "not rejected: " << message;
    } catch (const CrystalOutputRejected& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  // A matrix line without nine numbers is a bad value of that line.
  std::string short_matrix = text;
  short_matrix.replace(short_matrix.find(matrix), matrix.size(), matrix.substr(0, 40));
  const textio::TextIoError e = scan_error(short_matrix);
  EXPECT_EQ(e.kind(), textio::TextIoError::Kind::BadValue);
  EXPECT_EQ(e.line(), 18);
}

// The real CRYSTAL outputs, read in place, checked against the Cartesian atoms
// CRYSTAL itself prints under "CARTESIAN COORDINATES - PRIMITIVE CELL".
std::string shared_file(const char* name) {
  const std::filesystem::path path = std::filesystem::path(TESSARO_SHARED_DATA) / "crystal_out" / name;
  return std::filesystem::exists(path) ? path.string() : std::string();
}

struct PrintedAtom {
  int z;
  std::array<double, 3> bohr;
};

// The first block of Cartesian atoms (the starting geometry), in bohr.
std::vector<PrintedAtom> printed_atoms(const std::string& text) {
  const double bohr = 0.5291771292686462;
  std::vector<PrintedAtom> atoms;
  const std::vector<std::string> lines = testing::lines_of(text);
  std::size_t n = 0;
  while (n < lines.size() && lines[n].rfind(" CARTESIAN COORDINATES - PRIMITIVE CELL", 0) != 0) ++n;
  for (n += 4; n < lines.size() && !lines[n].empty(); ++n) {
    std::istringstream line(lines[n]);
    int index = 0, z = 0;
    std::string symbol;
    std::array<double, 3> x{};
    line >> index >> z >> symbol >> x[0] >> x[1] >> x[2];
    atoms.push_back(PrintedAtom{z % 100, {x[0] / bohr, x[1] / bohr, x[2] / bohr}});
  }
  return atoms;
}

// The largest distance (bohr) from a cube atom to the nearest printed atom of
// its element, modulo the primitive lattice.
double largest_error(const std::vector<GridAtom>& atoms, const std::vector<PrintedAtom>& printed,
                     const CrystalLattice& primitive) {
  const double bohr = 0.5291771292686462;
  std::array<std::array<double, 3>, 3> p{};  // rows: primitive vectors in bohr
  for (int k = 0; k < 3; ++k)
    for (int c = 0; c < 3; ++c) p[k][c] = primitive[k][c] / bohr;
  // The inverse by cofactors: fractions f of a displacement d solve f p = d.
  const double det = p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) -
                     p[0][1] * (p[1][0] * p[2][2] - p[1][2] * p[2][0]) +
                     p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0]);
  std::array<std::array<double, 3>, 3> inv{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      inv[j][i] = (p[i1][j1] * p[i2][j2] - p[i1][j2] * p[i2][j1]) / det;
    }
  double worst = 0;
  for (const GridAtom& atom : atoms) {
    double nearest = 1e30;
    for (const PrintedAtom& q : printed) {
      if (q.z != atom.num_atomico) continue;
      const std::array<double, 3> d{atom.x - q.bohr[0], atom.y - q.bohr[1], atom.z - q.bohr[2]};
      // The nearest lattice vector is among the neighbours of the rounded
      // fractions (a skewed cell can put it one step away).
      std::array<double, 3> f{};
      for (int k = 0; k < 3; ++k) f[k] = std::round(d[0] * inv[0][k] + d[1] * inv[1][k] + d[2] * inv[2][k]);
      for (int step = 0; step < 27; ++step) {
        const double g[3] = {f[0] + step % 3 - 1, f[1] + step / 3 % 3 - 1, f[2] + step / 9 - 1};
        double r2 = 0;
        for (int c = 0; c < 3; ++c) {
          const double r = d[c] - (g[0] * p[0][c] + g[1] * p[1][c] + g[2] * p[2][c]);
          r2 += r * r;
        }
        nearest = std::min(nearest, std::sqrt(r2));
      }
    }
    worst = std::max(worst, nearest);
  }
  return worst;
}

// Operations written as SYMM texts.
Ops parsed(std::initializer_list<const char*> texts) {
  Ops ops;
  for (const char* text : texts) {
    SymmOperation op;
    EXPECT_EQ(parse_symm_operation(text, op), textio::ReadStatus::Ok) << text;
    ops.push_back(SymmetryOperation{op.coefficient, op.translation});
  }
  return ops;
}

// A group and its inverse images (-x,-y,-z times each operation).
Ops with_inversion(Ops ops) {
  const std::size_t n = ops.size();
  for (std::size_t i = 0; i < n; ++i) {
    SymmetryOperation op = ops[i];
    for (auto& row : op.rotation)
      for (auto& v : row) v = -v;
    for (double& t : op.translation) t = -t;
    ops.push_back(op);
  }
  return ops;
}

// The 48 signed permutation matrices of the cube (m-3m), or the 24 with an
// even number of minus signs (-43m), each with every centring translation.
Ops cubic(bool even_signs_only, std::initializer_list<std::array<double, 3>> centrings) {
  const int perms[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
  Ops ops;
  for (const auto& t : centrings)
    for (const auto& perm : perms)
      for (int signs = 0; signs < 8; ++signs) {
        if (even_signs_only && std::popcount(static_cast<unsigned>(signs)) % 2 != 0) continue;
        SymmetryOperation op{{}, t};
        for (int r = 0; r < 3; ++r) op.rotation[r][perm[r]] = (signs >> r) & 1 ? -1 : 1;
        ops.push_back(op);
      }
  return ops;
}

TEST(CrystalOutput, SharedDataAtomsWhereCrystalPrintsThem) {
  const std::string mgo = shared_file("out_mgoSCF.out");
  const std::string ice = shared_file("spec_dryIceIR.out");
  const std::string zif = shared_file("elastic3D_ZIF8_P0.out");
  const std::string quartz = shared_file("qua_hf_2d_f.out");
  if (mgo.empty() || ice.empty() || zif.empty() || quartz.empty())
    GTEST_SKIP() << "shared CRYSTAL outputs not found under " << TESSARO_SHARED_DATA << "/crystal_out";

  const Ops identity{kIdentity};
  const struct {
    std::string file;
    Ops operations;  // the identity, and the space group's conventional operations
    std::size_t atoms;
  } cases[] = {
      {mgo, identity, 2},
      {mgo, parsed({"x,y,z", "x+1/2,y+1/2,z", "x+1/2,y,z+1/2", "x,y+1/2,z+1/2"}), 8},
      {mgo, cubic(false, {{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}}), 2 * 192},  // F m -3 m
      {zif, identity, 8},
      {zif, cubic(true, {{0, 0, 0}, {0.5, 0.5, 0.5}}), 8 * 48},  // I -4 3 m
      {ice, identity, 2},
      {ice,
       with_inversion(parsed({"x,y,z", "-x+1/2,-y,z+1/2", "-x,y+1/2,-z+1/2", "x+1/2,-y+1/2,-z", "z,x,y",
                              "z+1/2,-x+1/2,-y", "-z+1/2,-x,y+1/2", "-z,x+1/2,-y+1/2", "y,z,x", "-y,z+1/2,-x+1/2",
                              "y+1/2,-z+1/2,-x", "-y+1/2,-z,x+1/2"})),
       2 * 24},  // P a -3
      {quartz, identity, 2},
      {quartz, parsed({"x,y,z", "-y,x-y,z+2/3", "-x+y,-x,z+1/3", "x-y,-y,-z", "-x,-x+y,-z+1/3", "y,x,-z+2/3"}),
       2 * 6},  // P 32 2 1 with the origin shifted by 2/3 along z, as the file's SYMMOPS table has it
  };
  for (const auto& c : cases) {
    const std::string text = read_file(c.file);
    const CrystalCell cell = scan(text, c.file);
    const std::vector<GridAtom> atoms = cube_atoms(cell, c.operations, c.file);
    ASSERT_EQ(atoms.size(), c.atoms) << c.file;
    EXPECT_LT(largest_error(atoms, printed_atoms(text), cell.lattice), 1e-4) << c.file << ", " << c.atoms;
  }

  // Primitive lattices print no matrix and keep today's arithmetic to the bit:
  // dry ice O at 0.1233375230529 of a 5.46540887 angstrom cube, 1.2738457 bohr.
  EXPECT_FALSE(scan(read_file(quartz), quartz).conventional.has_value());
  const CrystalCell dry_ice = scan(read_file(ice), ice);
  EXPECT_FALSE(dry_ice.conventional.has_value());
  EXPECT_EQ(cube_atoms(dry_ice, identity, ice)[1].x, 1.2738456726074219f);

  // ZIF-8 atom 1 (N, fractions 0.08999523, 0.47131159, -0.18224720 of the
  // 17.06628113 A cube) where CRYSTAL has it; the printed vectors stay as read.
  const CrystalCell cell = scan(read_file(zif), zif);
  const std::vector<GridAtom> atoms = cube_atoms(cell, identity, zif);
  EXPECT_NEAR(atoms[0].x, 2.902400, 1e-5);
  EXPECT_NEAR(atoms[0].y, 15.200082, 1e-5);
  EXPECT_NEAR(atoms[0].z, -5.877582, 1e-5);
  EXPECT_EQ(cell.lattice[0], (Vec{-8.53314056500f, 8.53314056500f, 8.53314056500f}));
}

}  // namespace
}  // namespace tessaro
