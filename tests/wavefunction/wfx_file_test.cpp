// The .wfx reader: blocks in any order with free-form values, the choice
// between .wfx and .wfn by the first non-blank line, every rejection naming
// its block, and the real file against the .wfn of the same calculation.
#include "wavefunction/wfx_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "wfn_test_util.hpp"

using tessaro::Wavefunction;
using tessaro::WfnFileRejected;

namespace {

// Two nuclei, primitives of types 36 (h), 1 (s) and 21 (g), two orbitals,
// two core-density primitives; blocks out of the usual order, values split
// and joined across lines, a tag on the line of its values, unknown blocks
// (one holding a lone '<') in between.
const std::string kSmall =
    "\n"
    "  <Title>\n a <b> c < d\n</Title>\n"
    "<Number of Primitives>\n3\n</Number of Primitives>\n"
    "<Primitive Types>\n 36\n 1 21\n</Primitive Types>\n"
    "<Number of Nuclei> 2 </Number of Nuclei>\n"
    "<Number of Occupied Molecular Orbitals>\n2\n</Number of Occupied Molecular Orbitals>\n"
    "<Nuclear Names>\n O1 H2\n</Nuclear Names>\n"
    "<Atomic Numbers>\n8\n1\n</Atomic Numbers>\n"
    "<Nuclear Charges>\n 6.0 1.0D0\n</Nuclear Charges>\n"
    "<Nuclear Cartesian Coordinates>\n 0.125 -0.25 0.5\n 1.0 2.0\n 3.0\n</Nuclear Cartesian Coordinates>\n"
    "<Primitive Centers>\n1 2 1\n</Primitive Centers>\n"
    "<Primitive Exponents>\n 0.5 1.25E+00\n 0.333333333333333314829616256247\n</Primitive Exponents>\n"
    "<Molecular Orbital Occupation Numbers>\n2.0 1.5\n</Molecular Orbital Occupation Numbers>\n"
    "<Molecular Orbital Energies>\n-1.0 -0.5\n</Molecular Orbital Energies>\n"
    "<Molecular Orbital Primitive Coefficients>\n"
    "<MO Number>\n 2\n</MO Number>\n 4.0 5.0\n 6.0\n"
    "<MO Number> 1 </MO Number>\n 1.0 2.0 3.0\n"
    "</Molecular Orbital Primitive Coefficients>\n"
    "<Energy = T + Vne + Vee + Vnn>\n -76.0\n</Energy = T + Vne + Vee + Vnn>\n"
    "<Additional Electron Density Function (EDF)>\n"
    "<Number of EDF Primitives>\n2\n</Number of EDF Primitives>\n"
    "<EDF Primitive Centers>\n1 1\n</EDF Primitive Centers>\n"
    "<EDF Primitive Types>\n1 1\n</EDF Primitive Types>\n"
    "<EDF Primitive Exponents>\n30.0 4.0\n</EDF Primitive Exponents>\n"
    "<EDF Primitive Coefficients>\n10.0 -0.5\n</EDF Primitive Coefficients>\n"
    "</Additional Electron Density Function (EDF)>\n";

Wavefunction read_any(const std::string& text, const std::string& name = "s.wfx") {
  std::istringstream in(text);
  tessaro::textio::LineReader reader(in, name);
  Wavefunction w;
  tessaro::read_wavefunction_file(reader, w);
  return w;
}

// The text with the first `from` replaced by `to`.
std::string with(std::string text, const std::string& from, const std::string& to) {
  const std::size_t p = text.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos) text.replace(p, from.size(), to);
  return text;
}

}  // namespace

TEST(WfxFile, BlocksInAnyOrderAndFreeFormValues) {
  const Wavefunction w = read_any(kSmall);
  ASSERT_EQ(w.ncent, 2);
  ASSERT_EQ(w.nprims, 3);
  ASSERT_EQ(w.nmo, 2);
  EXPECT_EQ(w.atnam, (std::vector<std::string>{"O1      ", "H2      "}));
  EXPECT_EQ(w.atomic_number, (std::vector<std::int32_t>{8, 1}));
  EXPECT_EQ(w.charg, (std::vector<double>{6.0, 1.0}));
  EXPECT_EQ(w.xc, (std::vector<double>{0.125, 1.0}));
  EXPECT_EQ(w.zc, (std::vector<double>{0.5, 3.0}));
  // Sorted by type, s first: file primitives 2, 3, 1; all digits kept.
  EXPECT_EQ(w.type, (std::vector<std::int32_t>{1, 21, 36}));
  EXPECT_EQ(w.ict, (std::vector<std::int32_t>{1, 0, 0}));
  EXPECT_EQ(w.exx, (std::vector<double>{1.25, 1.0 / 3.0, 0.5}));
  EXPECT_EQ(w.itp[19], 1);
  EXPECT_EQ(w.itp[34], 2);
  EXPECT_EQ(w.itp[55], 3);
  // Orbitals placed by their numbers.
  EXPECT_EQ(w.coo, (std::vector<double>{2.0, 3.0, 1.0, 5.0, 6.0, 4.0}));
  EXPECT_EQ(w.po, (std::vector<double>{2.0, 1.5}));
  EXPECT_EQ(w.eorb, (std::vector<double>{-1.0, -0.5}));
  EXPECT_EQ(w.edf_ict, (std::vector<std::int32_t>{0, 0}));
  EXPECT_EQ(w.edf_exx, (std::vector<double>{30.0, 4.0}));
  EXPECT_EQ(w.edf_coef, (std::vector<double>{10.0, -0.5}));
}

TEST(WfxFile, FirstNonBlankLineChoosesTheLayout) {
  // A tag after blank lines: .wfx, whatever the name.
  EXPECT_EQ(read_any("\n\n" + kSmall, "x.wfn").nprims, 3);
  // Otherwise .wfn as before: line 1 the title, line 2 the header, blank or not.
  const std::string wfn = wfn_test::wfn_text(wfn_test::simple_content({1, 21}));
  EXPECT_EQ(read_any(wfn, "x.wfx").nprims, 2);
  EXPECT_EQ(read_any("\n" + wfn.substr(wfn.find('\n') + 1)).nprims, 2);
  try {
    read_any("\n\n" + wfn);
    ADD_FAILURE() << "a blank header must be rejected";
  } catch (const WfnFileRejected& e) {
    EXPECT_STREQ(e.what(), "s.wfx line 2: the number of molecular orbitals is 0, not positive");
  }
}

TEST(WfxFile, EveryFaultNamesItsBlock) {
  const std::pair<std::string, std::string> cases[][1] = {
      {{with(kSmall, "<Primitive Centers>\n1 2 1\n</Primitive Centers>\n", ""),
        "s.wfx: the required block <Primitive Centers> is missing"}},
      {{with(kSmall, "1 2 1\n</Primitive Centers>", "1 2\n</Primitive Centers>"),
        "s.wfx line 31, <Primitive Centers>: 2 values where <Number of Primitives> gives 3"}},
      {{with(kSmall, " 0.125 -0.25", " 0.125 -0..25"),
        "s.wfx line 27, <Nuclear Cartesian Coordinates>: value 2 \"-0..25\" is not a number"}},
      {{with(kSmall, " 6.0 1.0D0", " 6.0 -"), "s.wfx line 24, <Nuclear Charges>: value 2 \"-\" is not a number"}},
      {{with(kSmall, " 3.0\n", "\n"),
        "s.wfx line 26, <Nuclear Cartesian Coordinates>: 5 values where <Number of Nuclei> gives 2 (3 values each)"}},
      {{with(kSmall, " 1 21\n", " 1 57\n"), "s.wfx line 8, <Primitive Types>: primitive 3 has type 57, outside 1-56"}},
      {{with(kSmall, "1 2 1\n</Primitive", "1 3 1\n</Primitive"),
        "s.wfx line 31, <Primitive Centers>: primitive 2 is assigned to centre 3, outside 1..2"}},
      {{with(kSmall, " 0.5 1.25E+00", " 0.0 1.25E+00"),
        "s.wfx line 34, <Primitive Exponents>: primitive 1 has exponent 0.0000000000000000, not a positive number"}},
      {{with(kSmall, "<Number of Nuclei> 2 </", "<Number of Nuclei> 2 3 </"),
        "s.wfx line 12, <Number of Nuclei>: 2 values where one count belongs"}},
      {{with(kSmall, "<MO Number> 1 </", "<MO Number> 2 </"),
        "s.wfx line 50, <MO Number>: orbital number 2 appears twice"}},
      {{with(kSmall, " 4.0 5.0\n 6.0\n", " 4.0 5.0\n"),
        "s.wfx line 45, <MO Number>: orbital 2 has 2 coefficients where <Number of Primitives> gives 3"}},
      {{with(kSmall, "2.0 1.5\n", "2.0\n"),
        "s.wfx line 38, <Molecular Orbital Occupation Numbers>: 1 values where <Number of Occupied Molecular Orbitals> "
        "gives 2"}},
      {{kSmall + "<Atomic Numbers>\n8 1\n</Atomic Numbers>\n",
        "s.wfx line 73, <Atomic Numbers>: the block appears twice (first on line 19)"}},
      {{with(kSmall, "</Primitive Types>", "</Primitive Centers>"),
        "s.wfx line 11, <Primitive Types>: closed by </Primitive Centers>"}},
      {{kSmall + "</Title>\n", "s.wfx line 73: </Title> closes no open block"}},
      {{kSmall + "<Keywords>\nGTO\n", "s.wfx line 73, <Keywords>: the block is not closed before the end of the file"}},
      {{with(kSmall, "<EDF Primitive Types>\n1 1\n</EDF Primitive Types>\n", ""),
        "s.wfx line 56, <Additional Electron Density Function (EDF)>: the required block <EDF Primitive Types> is "
        "missing"}},
      {{with(kSmall, "<Number of Primitives>\n3\n", "<Number of Primitives>\n0\n"),
        "s.wfx line 5, <Number of Primitives>: the number of primitives is 0, not positive"}},
  };
  for (const auto& c : cases) {
    try {
      read_any(c[0].first);
      ADD_FAILURE() << "not rejected: " << c[0].second;
    } catch (const WfnFileRejected& e) {
      EXPECT_EQ(std::string(e.what()), c[0].second);
    }
  }
}

TEST(WfxFile, RealFileHoldsTheWfnOfTheSameCalculation) {
  // The same water cc-pVQZ calculation written both ways: the .wfx keeps 12
  // digits where the .wfn has 8.
  const std::string dir = wfn_test::test_data() + "/gh_wfn/";
  const Wavefunction x = wfn_test::read_path(dir + "h2o_qz.wfx", tessaro::read_wavefunction_file);
  const Wavefunction n = wfn_test::read_path(dir + "h2o_qz.wfn");
  ASSERT_EQ(x.nprims, 166);
  ASSERT_EQ(x.nprims, n.nprims);
  ASSERT_EQ(x.nmo, n.nmo);
  EXPECT_EQ(x.itp, n.itp);
  EXPECT_EQ(x.ict, n.ict);
  EXPECT_EQ(x.atomic_number, n.atomic_number);
  for (std::size_t a = 0; a < 3; ++a) EXPECT_NEAR(x.xc[a], n.xc[a], 1e-8);
  for (std::size_t i = 0; i < x.exx.size(); ++i) EXPECT_NEAR(x.exx[i], n.exx[i], 1e-7 * x.exx[i]) << i;
  // Eight significant digits in the .wfn: half a unit of the eighth.
  for (std::size_t i = 0; i < x.coo.size(); ++i)
    EXPECT_NEAR(x.coo[i], n.coo[i], 5e-8 * std::fabs(x.coo[i]) + 1e-15) << i;
}
