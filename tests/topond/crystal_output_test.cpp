// The CRYSTAL output scan, the symmetry expansion and the conversion to bohr.
// Expected coordinates were worked out by hand (single-precision sums, the
// bohr 0.5291771292686462 angstrom), not taken from our own output.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

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

// The real CRYSTAL outputs, read in place.
std::string shared_file(const char* name) {
  const std::filesystem::path path = std::filesystem::path(TESSARO_SHARED_DATA) / "crystal_out" / name;
  return std::filesystem::exists(path) ? path.string() : std::string();
}

TEST(CrystalOutput, SharedDataRealOutputs) {
  const std::string mgo = shared_file("out_mgoSCF.out");
  const std::string ice = shared_file("spec_dryIceIR.out");
  const std::string zif = shared_file("elastic3D_ZIF8_P0.out");
  const std::string quartz = shared_file("qua_hf_2d_f.out");
  if (mgo.empty() || ice.empty() || zif.empty() || quartz.empty())
    GTEST_SKIP() << "shared CRYSTAL outputs not found under " << TESSARO_SHARED_DATA << "/crystal_out";

  const Ops identity{kIdentity};
  CrystalCell cell = scan(read_file(mgo), mgo);
  std::vector<GridAtom> atoms = cube_atoms(cell, identity, mgo);
  ASSERT_EQ(atoms.size(), 2u);
  EXPECT_EQ(atoms[0].num_atomico, 12);
  EXPECT_EQ((Vec{atoms[0].x, atoms[0].y, atoms[0].z}), (Vec{0, 0, 0}));
  EXPECT_EQ(atoms[1].num_atomico, 8);
  EXPECT_EQ((Vec{atoms[1].x, atoms[1].y, atoms[1].z}), (Vec{3.98448825f, 3.98448825f, 3.98448825f}));

  // Dry ice: O at 0.1233375230529 of a 5.46540887 angstrom cube, 1.2738457 bohr.
  cell = scan(read_file(ice), ice);
  atoms = cube_atoms(cell, identity, ice);
  ASSERT_EQ(atoms.size(), 2u);
  EXPECT_EQ(atoms[0].num_atomico, 6);
  EXPECT_EQ(atoms[1].x, 1.2738456726074219f);
  EXPECT_EQ(atoms[1].z, 1.2738456726074219f);

  // ZIF-8: eight atoms, zinc (label 30) fifth, negative fractions.
  cell = scan(read_file(zif), zif);
  ASSERT_EQ(cell.atoms.size(), 8u);
  EXPECT_EQ(cell.atoms[4].label, "   5  30   ");
  EXPECT_EQ(cell.atoms[4].frac[0], -0.5f);
  EXPECT_EQ(cell.atoms[0].frac[2], -1.822472005790E-01f);
  EXPECT_EQ(cell.lattice[0], (Vec{-8.53314056500f, 8.53314056500f, 8.53314056500f}));

  // Quartz: hexagonal lattice, silicon and oxygen.
  cell = scan(read_file(quartz), quartz);
  atoms = cube_atoms(cell, identity, quartz);
  ASSERT_EQ(atoms.size(), 2u);
  EXPECT_EQ(atoms[0].num_atomico, 14);
  EXPECT_EQ(atoms[1].num_atomico, 8);
  EXPECT_EQ(cell.lattice[0], (Vec{4.25615022826f, -2.45728948000f, 0}));
}

}  // namespace
}  // namespace tessaro
