// The .wfn reader: fixed layouts, the stable sort by type, header counts,
// rejections and read failures, and every real file: NWChem's in tests/data, the
// other writers' in the shared data.
#include <gtest/gtest.h>

#include <filesystem>

#include "textio/text_error.hpp"
#include "wfn_test_util.hpp"

using tessaro::Wavefunction;
using tessaro::WfnFileRejected;
using tessaro::textio::TextIoError;
using wfn_test::read_text;
using wfn_test::simple_content;
using wfn_test::wfn_text;

TEST(WfnFileSort, TypesTwoOneOneThreeMoveCoefficientRows) {
  wfn_test::WfnContent s = simple_content({2, 1, 1, 3}, {0.5, 1.5, 2.5, 3.5});
  s.occ = {2.0, 0.0};  // an orbital with occupation 0 is stored like any other
  s.coef = {{1.0, 2.0, 3.0, 4.0}, {-5.0, -6.0, -7.0, -8.0}};
  const Wavefunction w = read_text(wfn_text(s));
  EXPECT_EQ(w.exx, (std::vector<double>{1.5, 2.5, 0.5, 3.5}));
  EXPECT_EQ(w.type, (std::vector<int>{1, 1, 2, 3}));
  EXPECT_EQ(w.itp[0], 2);
  EXPECT_EQ(w.itp[1], 3);
  for (int t = 3; t <= 20; ++t) EXPECT_EQ(w.itp[static_cast<std::size_t>(t - 1)], 4) << t;
  EXPECT_EQ(w.coefficient(0, 0), 2.0);
  EXPECT_EQ(w.coefficient(1, 0), 3.0);
  EXPECT_EQ(w.coefficient(2, 0), 1.0);
  EXPECT_EQ(w.coefficient(3, 0), 4.0);
  EXPECT_EQ(w.coefficient(0, 1), -6.0);
  EXPECT_EQ(w.coefficient(2, 1), -5.0);
  EXPECT_EQ(w.po, (std::vector<double>{2.0, 0.0}));
  EXPECT_EQ(w.eorb, (std::vector<double>{-1.0, -1.015625}));
}

TEST(WfnFileSort, OnlySAndTheDerivativeFactors) {
  const Wavefunction w = read_text(wfn_text(simple_content({1, 1}, {0.5, 2.0})));
  for (int t = 1; t <= 20; ++t) EXPECT_EQ(w.itp[static_cast<std::size_t>(t - 1)], 2);
  EXPECT_EQ(w.sum, (std::vector<double>{-1.0, -4.0}));
  EXPECT_EQ(w.div, (std::vector<double>{-1.0, -0.25}));
}

TEST(WfnFileLayout, SixtyAndSixtyOnePrimitivesLineCounts) {
  for (int np : {60, 61}) {
    const std::string text = wfn_text(simple_content(std::vector<int>(static_cast<std::size_t>(np), 1)));
    const int per_block = np == 60 ? 3 : 4, exps = np == 60 ? 12 : 13;
    // title, header, 1 atom, centres, types, exponents, orbital line + coefficients, END DATA, energy
    const int lines = 3 + 2 * per_block + exps + 1 + exps + 2;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), lines) << np;
    const Wavefunction w = read_text(text);
    ASSERT_EQ(w.nprims, np);
    EXPECT_EQ(w.coefficient(static_cast<std::size_t>(np - 1), 0), np);
    // The same text without its last coefficient line is cut short.
    std::string cut = text;
    std::size_t end_data = cut.find("END DATA");
    std::size_t prev = cut.rfind('\n', end_data - 2);
    cut.erase(prev + 1, end_data - prev - 1);
    EXPECT_THROW(read_text(cut), TextIoError) << np;
  }
}

TEST(WfnFileLayout, AtomLineCentreNumberPlacesCoordinates) {
  wfn_test::WfnContent s = simple_content({1, 1});
  s.centres = {{1.25, -2.5, 3.0, 0.9}, {4.0, 5.0, 6.0, 8.0}};
  s.centre_numbers = {2, 1};
  s.ict = {1, 2};
  const Wavefunction w = read_text(wfn_text(s));
  EXPECT_EQ(w.atnam[0], "  H    1");
  EXPECT_EQ(w.atnam[1], "  H    2");
  EXPECT_EQ(w.xc, (std::vector<double>{4.0, 1.25}));
  EXPECT_EQ(w.yc, (std::vector<double>{5.0, -2.5}));
  EXPECT_EQ(w.zc, (std::vector<double>{6.0, 3.0}));
  EXPECT_EQ(w.charg, (std::vector<double>{8.0, 0.9}));
  EXPECT_EQ(w.ict, (std::vector<int>{0, 1}));
}

TEST(WfnFileLayout, HeaderCountsReadWholeBeforeLabelsElseFixedColumns) {
  wfn_test::WfnContent s = simple_content({1, 1});
  s.count_width = 7;  // "   1234 PRIMITIVES" style
  Wavefunction w = read_text(wfn_text(s));
  EXPECT_EQ(w.nmo, 1);
  EXPECT_EQ(w.nprims, 2);
  EXPECT_EQ(w.ncent, 1);
  // Without the labels only columns 21-23, 41-43 and 61-63 count.
  std::string text = wfn_text(simple_content({1, 1}));
  std::size_t h = text.find('\n') + 1;
  std::string header = text.substr(h, text.find('\n', h) - h);
  std::string bare = header;
  for (const char* label : {"MOL ORBITALS", "PRIMITIVES", "NUCLEI"}) {
    std::size_t p = bare.find(label);
    bare.replace(p, std::string(label).size(), std::string(std::string(label).size(), 'x'));
  }
  bare.replace(0, 8, "9999GAUS");  // columns 1-8 hold no count
  text.replace(h, header.size(), bare);
  w = read_text(text);
  EXPECT_EQ(w.nmo, 1);
  EXPECT_EQ(w.nprims, 2);
  EXPECT_EQ(w.ncent, 1);
}

TEST(WfnFileLayout, EnergyLineContentsIgnoredButLineRequired) {
  wfn_test::WfnContent s = simple_content({1});
  std::string text = wfn_text(s);
  EXPECT_NO_THROW(read_text(text));  // the energy line holds a label where F20.12 ends
  s.energy_line = false;
  try {
    read_text(wfn_text(s), "short.wfn");
    FAIL() << "a missing energy line must end the read";
  } catch (const TextIoError& e) {
    EXPECT_EQ(e.kind(), TextIoError::Kind::EndOfFile);
    EXPECT_EQ(e.file(), "short.wfn");
  }
}

TEST(WfnFileReject, TypesCentresExponentsCounts) {
  struct Case {
    wfn_test::WfnContent content;
    std::string message;
  };
  std::vector<Case> cases;
  cases.push_back({simple_content({1, 57}), "test.wfn line 5: primitive 2 has type 57, outside 1-56"});
  cases.push_back({simple_content({1, 0}), "test.wfn line 5: primitive 2 has type 0, outside 1-56"});
  {
    wfn_test::WfnContent s = simple_content({1, 1});
    s.ict = {1, 2};
    cases.push_back({s, "test.wfn line 4: primitive 2 is assigned to centre 2, outside 1..1"});
  }
  {
    wfn_test::WfnContent s = simple_content({1, 1});
    s.centre_numbers = {0};
    cases.push_back({s, "test.wfn line 3: centre number 0 outside 1..1"});
  }
  cases.push_back({simple_content({1, 1}, {1.0, 0.0}), "test.wfn line 6: primitive 2 has exponent 0.0000000000000000, not a positive number"});
  cases.push_back({simple_content({1, 1}, {1.0, -2.0}), "test.wfn line 6: primitive 2 has exponent -2.0000000000000000, not a positive number"});
  // A subnormal exponent: 1 / (-2 alpha) would be infinite.
  cases.push_back({simple_content({1, 1}, {1.0, 1.0e-310}), "test.wfn line 6: primitive 2 has exponent 9.9999999999999694E-311, below the smallest normal number 2.2250738585072014E-308"});
  for (const double charge : {-1.0, 118.1}) {
    wfn_test::WfnContent s = simple_content({1});
    s.centres[0].charge = charge;
    cases.push_back({s, "test.wfn line 3: nuclear charge " + std::string(charge < 0 ? "-1.0000000000000000" : "118.09999999999999") + " outside 0-118"});
  }
  {
    wfn_test::WfnContent s = simple_content({});
    cases.push_back({s, "test.wfn line 2: the number of primitives is 0, not positive"});
  }
  {
    wfn_test::WfnContent s = simple_content({1});
    s.occ.clear();
    s.coef.clear();
    cases.push_back({s, "test.wfn line 2: the number of molecular orbitals is 0, not positive"});
  }
  for (const Case& c : cases) {
    try {
      read_text(wfn_text(c.content));
      ADD_FAILURE() << "not rejected: " << c.message;
    } catch (const WfnFileRejected& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

// The ends of the accepted ranges: charges 0 (a ghost centre) and 118, the
// smallest normal exponent (rounded up to the field's seven digits).
TEST(WfnFileReject, RangeEndsRead) {
  wfn_test::WfnContent s = simple_content({1, 1}, {1.0, 2.2250739e-308});
  s.centres = {{0.0, 0.0, 0.0, 0.0}, {1.0, 0.0, 0.0, 118.0}};
  s.ict = {1, 2};
  const tessaro::Wavefunction w = read_text(wfn_text(s));
  EXPECT_EQ(w.charg, (std::vector<double>{0.0, 118.0}));
  EXPECT_EQ(w.exx[1], 2.225074e-308);
}

TEST(WfnFileReject, CutShortOrGarbledNeverCrashes) {
  wfn_test::WfnContent s = simple_content({1, 2, 3, 4, 5, 11, 20});
  s.occ = {2.0, 1.0};
  s.coef = {{1, 2, 3, 4, 5, 6, 7}, {7, 6, 5, 4, 3, 2, 1}};
  const std::string text = wfn_text(s);
  ASSERT_NO_THROW(read_text(text));
  // Every prefix ending at a line end: a read failure, never anything else.
  int cuts = 0;
  for (std::size_t p = text.find('\n'); p + 1 < text.size(); p = text.find('\n', p + 1)) {
    EXPECT_THROW(read_text(text.substr(0, p + 1)), TextIoError) << "cut after byte " << p;
    ++cuts;
  }
  EXPECT_GT(cuts, 10);
  // A letter in any numeric field of each block: the text layer's bad value.
  // (anchor, offset of the changed character from it)
  for (const std::pair<const char*, int>& where :
       {std::pair{" NUCLEI", -1}, std::pair{"(CENTRE", 18}, std::pair{"CHARGE =", 10}, std::pair{"CENTRE ASSIGNMENTS", 22},
        std::pair{"TYPE ASSIGNMENTS", 25}, std::pair{"EXPONENTS", 20}, std::pair{"OCC NO = ", 12},
        std::pair{"ENERGY = ", 14}, std::pair{"END DATA", -3}}) {
    std::string bad = text;
    std::size_t p = bad.find(where.first);
    ASSERT_NE(p, std::string::npos) << where.first;
    bad[static_cast<std::size_t>(static_cast<long>(p) + where.second)] = 'Q';
    try {
      read_text(bad);
      ADD_FAILURE() << "accepted a letter near " << where.first;
    } catch (const TextIoError& e) {
      EXPECT_EQ(e.kind(), TextIoError::Kind::BadValue) << where.first;
    }
  }
  // Counts that do not match the blocks that follow.
  for (const std::pair<const char*, const char*>& change :
       {std::pair{"  2 MOL", "  5 MOL"}, std::pair{"  7 PRIM", " 40 PRIM"}, std::pair{"  7 PRIM", "  3 PRIM"},
        std::pair{"  1 NUC", "  4 NUC"}}) {
    std::string bad = text;
    bad.replace(bad.find(change.first), std::string(change.first).size(), change.second);
    bool failed = false;
    try {
      read_text(bad);
    } catch (const TextIoError&) {
      failed = true;
    } catch (const WfnFileRejected&) {
      failed = true;
    }
    EXPECT_TRUE(failed) << change.second;
  }
}

namespace {

// Reads every .wfn of a folder whole; returns how many read.
int read_every_wfn(const std::filesystem::path& dir) {
  int read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".wfn") continue;
    const std::string name = entry.path().filename().string();
    const Wavefunction w = wfn_test::read_path(entry.path().string());
    EXPECT_EQ(w.itp.back(), w.nprims) << name;
    EXPECT_EQ(w.coo.size(), static_cast<std::size_t>(w.nprims) * static_cast<std::size_t>(w.nmo)) << name;
    double electrons = 0;
    for (double p : w.po) electrons += p;
    EXPECT_GT(electrons, 0.0) << name;
    ++read;
  }
  return read;
}

}  // namespace

TEST(WfnFileReal, NwchemFilesRead) {
  const std::filesystem::path dir(wfn_test::test_data());
  EXPECT_EQ(read_every_wfn(dir), 2);
  const Wavefunction water = wfn_test::read_path((dir / "water_dimer.wfn").string());
  EXPECT_EQ(water.nprims, 72);
  EXPECT_EQ(water.nmo, 10);
  EXPECT_EQ(water.ncent, 6);
  EXPECT_EQ(water.xc[1], -3.65521950);
}

TEST(WfnFileReal, SharedDataFilesRead) {
  const std::filesystem::path root(wfn_test::shared_data());
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "shared data not found at " << root;
  EXPECT_GE(read_every_wfn(root / "wfn_external"), 8);
  const Wavefunction h2o = wfn_test::read_path((root / "wfn_external" / "h2o_sto3g.wfn").string());
  EXPECT_EQ(h2o.nprims, 21);
  EXPECT_EQ(h2o.exx[0], 0.1307093e3);  // D exponents
}
