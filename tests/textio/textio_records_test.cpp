// The line source, layouts (write and read) and free-form lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/text_error.hpp"
#include "textio/textio.hpp"

namespace tx = tessaro::textio;

namespace {
std::string write(std::string_view layout, std::vector<tx::OutItem> items) {
  std::string out;
  tx::write_record(out, tx::Layout::parse(layout), items);
  return out;
}
}  // namespace

TEST(TextioLineReader, LinesEndsAndNumbers) {
  std::istringstream in("a\r\nb\n\nc");  // CR LF, an empty line, no final line end
  tx::LineReader r(in, "f.txt");
  std::vector<std::string> got;
  std::string_view line;
  while (r.next(line)) got.emplace_back(line);
  EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(r.line_number(), 4);
  EXPECT_FALSE(r.next(line));
  try {
    r.require();
    FAIL() << "no end of file";
  } catch (const tx::TextIoError& e) {
    EXPECT_EQ(e.kind(), tx::TextIoError::Kind::EndOfFile);
    EXPECT_STREQ(e.what(), "End of file: file f.txt, line 5");
  }
}

// Old Mac files end lines with a lone CR; a CR LF split between two reads of
// the stream is still one line end.
TEST(TextioLineReader, LoneCrEndsALine) {
  const std::string chunk_but_one((std::size_t{1} << 20) - 1, 'x');
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\rb\r\nc\r", {"a", "b", "c"}},
      {"a\r\rb", {"a", "", "b"}},
      {"\r\n\n", {"", ""}},
      {chunk_but_one + "\r\ny", {chunk_but_one, "y"}},
      {chunk_but_one + "\ry\r", {chunk_but_one, "y"}},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    tx::LineReader r(in, "f.txt");
    std::vector<std::string> got;
    std::string_view line;
    while (r.next(line)) got.emplace_back(line);
    EXPECT_EQ(got, c.lines) << c.text.substr(0, 12);
  }
}

TEST(TextioLineReader, LinesAcrossChunksUpToTheLongestLine) {
  const std::size_t longest = tx::LineReader::kMaxLineBytes;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += std::string(999, static_cast<char>('a' + i % 26)) + "\n";
  text += std::string(longest, 'x') + "\r\n" + std::string(longest, 'z') + "\ny";
  std::istringstream in(text);
  tx::LineReader r(in, "big");
  std::string_view line;
  for (int i = 0; i < 3000; ++i) {
    ASSERT_TRUE(r.next(line));
    ASSERT_EQ(line, std::string(999, static_cast<char>('a' + i % 26))) << i;
  }
  EXPECT_EQ(r.require(), std::string(longest, 'x'));
  EXPECT_EQ(r.require(), std::string(longest, 'z'));
  EXPECT_EQ(r.require(), "y");
  EXPECT_EQ(r.line_number(), 3003);
}

// A file without line ends (the zero device, a binary file) must not make
// the reader grow until memory runs out.
TEST(TextioLineReader, LineLongerThanTheLongestIsABadValueOfThatLine) {
  const std::size_t over = tx::LineReader::kMaxLineBytes + 1;
  const struct {
    std::string text;
    long line;
  } cases[] = {
      {"a\n" + std::string(over, 'x') + "\nb\n", 2},
      {"a\n" + std::string(over, 'x'), 2},  // the last line, without its line end
      {std::string(over, 'x') + "\r\n", 1},
      {std::string(3u << 20, '\0'), 1},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    tx::LineReader r(in, "z");
    const tx::TextIoError e = tessaro::testing::text_error([&] {
      std::string_view line;
      while (r.next(line)) {
      }
    });
    EXPECT_EQ(e.kind(), tx::TextIoError::Kind::BadValue) << c.line;
    EXPECT_EQ(e.line(), c.line);
  }
}

// Every line takes a byte at least: a count the rest of the file cannot hold
// ends the read at the end of the file, naming the line a line-by-line read
// would name; without a size nothing is known.
TEST(TextioLineReader, CountTheRestOfTheFileCannotHoldEndsTheRead) {
  const std::string text = "3\na\nb\nc\n";
  const struct {
    std::optional<std::uint64_t> size;
    std::uint64_t lines;
    bool ends;
  } cases[] = {
      {8, 3, false},
      {8, 6, false},  // six bytes left: six empty lines would fit
      {8, 7, true},
      {8, std::numeric_limits<std::uint64_t>::max(), true},
      {std::nullopt, std::numeric_limits<std::uint64_t>::max(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lines) + " lines");
    std::istringstream in(text);
    tx::LineReader r(in, "n.txt", c.size);
    EXPECT_EQ(r.require(), "3");
    if (!c.ends) {
      EXPECT_NO_THROW(r.require_lines(c.lines));
      EXPECT_EQ(r.require(), "a");
      continue;
    }
    const tx::TextIoError e = tessaro::testing::text_error([&] { r.require_lines(c.lines); });
    EXPECT_STREQ(e.what(), "End of file: file n.txt, line 5");
  }
  EXPECT_EQ(tx::saturating_product(std::uint64_t{1} << 40, std::uint64_t{1} << 30),
            std::numeric_limits<std::uint64_t>::max());
}

TEST(TextioLayout, EveryLayoutOfTheFilesParses) {
  for (std::string_view l :
       {"I5,3F12.6", "I5,4F12.6", "6E13.5", "6ES13.5", "6E18.10", "8E16.8", "20X,20I3", "10X,5E14.7", "5E16.8",
        "5X,E11.3,10X,E11.3", "7X,F3.1,5X,A1,I15,A1,2(1X,ES14.8,A1)", "1X,ES14.7,A1", "3(1X,ES14.7,A1)", "3/", "A80",
        "/,A80", "A11,3E20.12", "3E21.12", "3I4", "E15.8,17X,E15.8", "4X,A4,12X,3(I3,17X)",
        "A8,11X,I3,2X,3F12.8,10X,F5.1", "35X,F12.8,15X,F12.8", "17X,F20.12,18X,F13.8", "2X,A17,4X,A17", "F4.2", "A1",
        "A2", "A4", "A6", "(I5, 2(F4.1))"})
    EXPECT_NO_THROW(tx::Layout::parse(l)) << l;
  for (std::string_view l : {"I5,,F3.1", "F12", "Q5", "(I5", "I5)", "3(", "I5F3.1", "E13."})
    EXPECT_THROW(tx::Layout::parse(l), std::invalid_argument) << l;
}

TEST(TextioLayout, Write) {
  EXPECT_EQ(write("3/", {}), "\n\n\n\n");
  // Six to a line: the layout starts again on a new line.
  EXPECT_EQ(write("3F5.1", {1.0, 2.0, 3.0, 4.0}), "  1.0  2.0  3.0\n  4.0\n");
  EXPECT_EQ(write("20X,20I3", {1, 2, 3}), std::string(20, ' ') + "  1  2  3\n");
  EXPECT_EQ(write("5X,E11.3,10X,E11.3", {1.0, -2.0f}), "       0.100E+01           -0.200E+01\n");
  // Reversion to the last top-level group, with its repeat count.
  EXPECT_EQ(write("7X,F3.1,5X,A1,I15,A1,2(1X,ES14.8,A1)",
                  {1.0f, std::string_view("x"), 3, std::string_view("y"), 1.0, std::string_view("a"), 2.0,
                   std::string_view("b"), 3.0, std::string_view("c")}),
            "       1.0     x              3y 1.00000000E+00a 2.00000000E+00b\n 3.00000000E+00c\n");
  // Blanks of nX appear only before a later field.
  EXPECT_EQ(write("4X,A4,12X,3(I3,17X)", {std::string_view("GAUS"), 1, 2}),
            "    GAUS              1                   2\n");
  EXPECT_EQ(write("/,A4", {std::string_view("ab")}), "\n  ab\n");
  EXPECT_THROW(write("I5", {1.5}), std::invalid_argument);
}

TEST(TextioLayout, ReadShortLinesAndFollowingLines) {
  const std::string five = "  0.10000E+01  0.20000E+01  0.30000E+01  0.40000E+01  0.50000E+01\n";
  std::istringstream in(five + "  0.60000E+01  0.70000E+01\n" + five);
  tx::LineReader r(in, "cube");
  tx::Layout l = tx::Layout::parse("6E13.5");
  double v[7] = {-1, -1, -1, -1, -1, -1, -1};
  std::vector<tx::InItem> seven;
  for (double& x : v) seven.push_back(&x);
  tx::read_record(r, l, seven);  // seven values: the seventh from the next line
  EXPECT_EQ(v[4], 5.0);
  EXPECT_EQ(v[5], 0.0);  // the short line reads as padded with blanks
  EXPECT_EQ(v[6], 6.0);
  tx::read_record(r, l, std::span(seven).first(6));  // the next read starts on a new line
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[5], 0.0);
  EXPECT_THROW(tx::read_record(r, l, std::span(seven).first(1)), tx::TextIoError);
}

TEST(TextioLayout, ReadSkipsColumnsAndReportsBadValues) {
  std::istringstream in("skip me\n" + std::string(35, '#') + "  1.50000000" + std::string(15, '#') +
                        "  2.5\nline three\n    4  x.5\n");
  tx::LineReader r(in, "out.txt");
  float a = 0, b = 0;
  std::string text(6, '?');
  tx::read_record(r, tx::Layout::parse("/,35X,F12.8,15X,F12.8"), std::vector<tx::InItem>{&a, &b});
  EXPECT_EQ(a, 1.5f);
  EXPECT_EQ(b, 2.5f);
  tx::read_record(r, tx::Layout::parse("A"), std::vector<tx::InItem>{&text});
  EXPECT_EQ(text, "line t");
  std::int32_t n = 0;
  try {
    tx::read_record(r, tx::Layout::parse("I5,F5.1"), std::vector<tx::InItem>{&n, &a});
    FAIL() << "no error";
  } catch (const tx::TextIoError& e) {
    EXPECT_EQ(n, 4);
    EXPECT_STREQ(e.what(), "Bad value during read: file out.txt, line 4");
  }
}

TEST(TextioLayout, WriteThenReadGivesTheValuesBack) {
  tx::Layout l = tx::Layout::parse("I5,4F12.6");
  std::string text = write("I5,4F12.6", {7, -0.5, 1.25, 1234.5625, 0.0}) + write("A11,3E20.12", {std::string_view("atom"), 0.1, -2e-30, 3e30});
  std::istringstream in(text);
  tx::LineReader r(in, "t");
  std::int32_t n = 0;
  double x[4];
  std::string name(11, '?');
  tx::read_record(r, l, std::vector<tx::InItem>{&n, &x[0], &x[1], &x[2], &x[3]});
  EXPECT_EQ(n, 7);
  EXPECT_EQ(x[0], -0.5);
  EXPECT_EQ(x[2], 1234.5625);
  tx::read_record(r, tx::Layout::parse("A11,3E20.12"), std::vector<tx::InItem>{&name, &x[0], &x[1], &x[2]});
  EXPECT_EQ(name, "       atom");
  EXPECT_EQ(x[0], 0.1);
  EXPECT_EQ(x[1], -2e-30);
  EXPECT_EQ(x[2], 3e30);
}

TEST(TextioFreeLine, ItemsAndSeparators) {
  EXPECT_EQ(tx::FreeLine().str(), "");
  EXPECT_EQ(tx::FreeLine().text("").str(), " ");
  EXPECT_EQ(tx::FreeLine().text("a").text("b").str(), " ab");  // no separator between two texts
  EXPECT_EQ(tx::FreeLine().text("x").i4(1).text("y").str(), " x           1 y");
  EXPECT_EQ(tx::FreeLine().r8(1.0).str(), "   1.0000000000000000     ");
  EXPECT_EQ(tx::FreeLine().r8(0.01).str(), "   1.0000000000000000E-002");
  EXPECT_EQ(tx::FreeLine().r8(-0.5).str(), " -0.50000000000000000     ");
  EXPECT_EQ(tx::FreeLine().r8(0.0).str(), "   0.0000000000000000     ");
  EXPECT_EQ(tx::FreeLine().r8(1e17).str(), "   1.0000000000000000E+017");
  EXPECT_EQ(tx::FreeLine().r4(1.0f).str(), "   1.0000000    ");
  EXPECT_EQ(tx::FreeLine().r4(0.01f).str(), "   9.9999998E-03");
  EXPECT_EQ(tx::FreeLine().r4(12345678.0f).str(), "   12345678.    ");
  EXPECT_EQ(tx::FreeLine().logical(true).logical(false).str(), " T F");
}

TEST(TextioFreeRead, SeparatorsNullsAndEnds) {
  double a = -1, b = -1, c = -1;
  std::vector<tx::FreeItem> two{&a, &b}, three{&a, &b, &c};
  EXPECT_EQ(tx::read_free("1.5, 2", two), tx::ReadStatus::Ok);
  EXPECT_EQ(a, 1.5);
  EXPECT_EQ(b, 2.0);
  b = -1;
  EXPECT_EQ(tx::read_free("2.5 /", two), tx::ReadStatus::Ok);
  EXPECT_EQ(a, 2.5);
  EXPECT_EQ(b, -1.0);
  EXPECT_EQ(tx::read_free("1 2", three), tx::ReadStatus::EndOfFile);  // a text is a file of one line
  EXPECT_EQ(tx::read_free("1 x", two), tx::ReadStatus::Error);

  // A comma, a line end and a comma still enclose a null value; after a read
  // the rest of its line is skipped; an error leaves the next line readable.
  std::istringstream in("7,\n,9 extra\n1.5.5\n4 5\n");
  tx::LineReader lr(in, "in");
  tx::FreeReader fr(lr);
  b = -1;
  EXPECT_EQ(fr.read(three), tx::ReadStatus::Ok);
  EXPECT_EQ(a, 7.0);
  EXPECT_EQ(b, -1.0);
  EXPECT_EQ(c, 9.0);
  EXPECT_EQ(fr.read(two), tx::ReadStatus::Error);
  EXPECT_EQ(fr.read(two), tx::ReadStatus::Ok);
  EXPECT_EQ(b, 5.0);
  EXPECT_EQ(fr.read(two), tx::ReadStatus::EndOfFile);
}

TEST(TextioFreeRead, TextItems) {
  std::string s(6, '?'), t(3, '?');
  std::vector<tx::FreeItem> items{&s, &t};
  EXPECT_EQ(tx::read_free("'it''s a' long_text", items), tx::ReadStatus::Ok);
  EXPECT_EQ(s, "it's a");
  EXPECT_EQ(t, "lon");
  EXPECT_EQ(tx::read_free("2*\"q\"", items), tx::ReadStatus::Ok);
  EXPECT_EQ(s, "q     ");
  EXPECT_EQ(t, "q  ");
}
