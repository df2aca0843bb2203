// The value-block number code of the grid files against the text layer,
// which defines the characters (put_ES / put_E) and the readings (parse_real).
#include "grid/grid_numbers.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "textio/textio.hpp"

namespace {

using tessaro::grid_numbers::read_items;
using tessaro::grid_numbers::write_E;
using tessaro::grid_numbers::write_ES;

std::string fast_ES(double v, int w, int d) {
  char buf[64];
  char* end = write_ES(buf, v, w, d);
  return std::string(buf, end);
}
std::string fast_E(double v, int w, int d) {
  char buf[64];
  char* end = write_E(buf, v, w, d);
  return std::string(buf, end);
}
// The fixed fields of the value blocks, as the cube and grd writers use them.
std::string file_ES13_5(double v) {
  char buf[64];
  return std::string(buf, tessaro::grid_numbers::write_ES13_5(buf, v));
}
std::string file_E18_10(double v) {
  char buf[64];
  return std::string(buf, tessaro::grid_numbers::write_E18_10(buf, v));
}
std::string text_ES(double v, int w, int d) {
  std::string s;
  tessaro::textio::put_ES(s, v, w, d);
  return s;
}
std::string text_E(double v, int w, int d) {
  std::string s;
  tessaro::textio::put_E(s, v, w, d);
  return s;
}

// Values where a correct writer is easily wrong: rounding carries, halfway
// cases in decimal, both ends of the exponent range, signed zero, specials.
std::vector<double> hard_values() {
  std::vector<double> v = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.5,
                           9.999995,
                           9.9999949999,
                           9.99999949999,
                           99999.95,
                           0.999999999995,
                           1.000005,
                           1.0000050000000001,
                           1.234565,
                           -1.234565,
                           2.5e-5,
                           3.20943e-23,
                           1.0e-100,
                           9.99995e-100,
                           1.0e-120,
                           1.0e100,
                           9.9999999999e99,
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           1.0e-310,
                           0.14818464289233146,
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  // Every double next to a short decimal halfway point: x.xxxxx5 and
  // x.xxxxxxxxx5 with neighbours.
  for (const char* text : {"1.000005", "2.345675", "7.777775", "1.2345678905", "9.9999999995", "0.1000000005",
                           "3.999995e10", "6.5000005e-7"}) {
    double x = std::strtod(text, nullptr);
    v.push_back(x);
    v.push_back(std::nextafter(x, 0.0));
    v.push_back(std::nextafter(x, 1e300));
  }
  // Exact binary halfway cases: k / 2^m with a 5 as the digit after the kept ones.
  for (int m = 1; m < 30; ++m) v.push_back(std::ldexp(1.0, -m) * 3.0);
  return v;
}

TEST(GridNumbersWrite, MatchesTextLayerOnHardValues) {
  for (double v : hard_values()) {
    for (auto [w, d] : {std::pair{13, 5}, std::pair{11, 5}, std::pair{14, 6}, std::pair{25, 15}, std::pair{8, 1}})
      EXPECT_EQ(fast_ES(v, w, d), text_ES(v, w, d)) << "ES" << w << "." << d << " of " << v;
    for (auto [w, d] : {std::pair{18, 10}, std::pair{13, 5}, std::pair{16, 10}, std::pair{17, 10}, std::pair{24, 17}})
      EXPECT_EQ(fast_E(v, w, d), text_E(v, w, d)) << "E" << w << "." << d << " of " << v;
    EXPECT_EQ(file_ES13_5(v), text_ES(v, 13, 5)) << v;
    EXPECT_EQ(file_E18_10(v), text_E(v, 18, 10)) << v;
  }
}

TEST(GridNumbersWrite, MatchesTextLayerOnRandomValues) {
  std::mt19937_64 gen(20261208);
  std::uniform_int_distribution<std::uint64_t> bits;
  std::uniform_real_distribution<double> decade(-30.0, 30.0);
  for (int n = 0; n < 200000; ++n) {
    double v;
    if (n % 2 == 0) {
      std::uint64_t b = bits(gen);
      std::memcpy(&v, &b, sizeof v);  // any bit pattern, every exponent
    } else {
      v = std::pow(10.0, decade(gen)) * (n % 4 == 1 ? 1.0 : -1.0);
    }
    ASSERT_EQ(fast_ES(v, 13, 5), text_ES(v, 13, 5)) << v;
    ASSERT_EQ(fast_E(v, 18, 10), text_E(v, 18, 10)) << v;
    ASSERT_EQ(file_ES13_5(v), text_ES(v, 13, 5)) << v;
    ASSERT_EQ(file_E18_10(v), text_E(v, 18, 10)) << v;
  }
  // Exact decimal ties at the last kept digit (round half to even), scaled
  // by powers of two so that they stay exact, and their neighbours.
  std::uniform_int_distribution<std::int64_t> six(100000, 999999), ten(1000000000, 9999999999);
  std::uniform_int_distribution<int> twos(-40, 40);
  for (int n = 0; n < 20000; ++n) {
    const double tie6 = std::ldexp(static_cast<double>(six(gen)) + 0.5, twos(gen) / 8);
    const double tie10 = std::ldexp(static_cast<double>(ten(gen)) + 0.5, twos(gen) / 8);
    for (double v : {tie6, std::nextafter(tie6, 0.0), std::nextafter(tie6, 1e300), tie10, -tie10}) {
      ASSERT_EQ(file_ES13_5(v), text_ES(v, 13, 5)) << v;
      ASSERT_EQ(file_E18_10(v), text_E(v, 18, 10)) << v;
    }
  }
}

TEST(GridNumbersWrite, LayoutOfTheFileFields) {
  EXPECT_EQ(fast_ES(1.0, 13, 5), "  1.00000E+00");
  EXPECT_EQ(fast_ES(-9.999996, 13, 5), " -1.00000E+01");
  EXPECT_EQ(fast_ES(0.0, 13, 5), "  0.00000E+00");
  EXPECT_EQ(fast_ES(1.0e-120, 13, 5), "  1.00000-120");
  EXPECT_EQ(fast_E(1.0, 18, 10), "  0.1000000000E+01");
  EXPECT_EQ(fast_E(-0.014818464289233146, 18, 10), " -0.1481846429E-01");
  EXPECT_EQ(fast_E(0.0, 18, 10), "  0.0000000000E+00");
  EXPECT_EQ(fast_E(1.0e-120, 13, 5), "  0.10000-119");
  EXPECT_EQ(fast_E(-1.0, 11, 5), "-.10000E+01");  // one column short: the zero goes
  EXPECT_EQ(fast_ES(1.0, 5, 5), "*****");
}

TEST(GridNumbersRead, ItemsAgreeWithThirteenColumnFields) {
  // A line as the 6E13.5 layout writes it (and 6ES13.5, and other writers'
  // spellings that still keep to 13 columns).
  const std::string line =
      "  0.32433E-13 -0.50847E+02  1.00000E+00  0.00000E+00 -1.23456E-05  0.12345-119  9.99999E+99";
  double items[6];
  ASSERT_TRUE(read_items(line, 5, items, 6));
  for (int t = 0; t < 6; ++t) {
    double expected = 0.0;
    ASSERT_TRUE(tessaro::textio::parse_real(tessaro::textio::columns(line, 1 + 13 * t, 13), 5, expected));
    EXPECT_EQ(items[t], expected) << "item " << t;
  }
}

TEST(GridNumbersRead, WiderFieldsShortLinesAndOtherSpellings) {
  double items[6];
  // Fourteen columns per value, three-digit exponents with the letter.
  ASSERT_TRUE(read_items("  3.20943E-023  1.00000E+000 -2.50000E-001", 5, items, 3));
  EXPECT_EQ(items[0], 3.20943e-23);
  EXPECT_EQ(items[1], 1.0);
  EXPECT_EQ(items[2], -0.25);
  // A short line: zeros for the missing values; items past the count ignored.
  ASSERT_TRUE(read_items("  1.5 2.5", 5, items, 4));
  EXPECT_EQ(items[0], 1.5);
  EXPECT_EQ(items[1], 2.5);
  EXPECT_EQ(items[2], 0.0);
  EXPECT_EQ(items[3], 0.0);
  ASSERT_TRUE(read_items("1.0 2.0 junk", 5, items, 2));
  EXPECT_EQ(items[1], 2.0);
  // D exponents, sign-only exponents, a leading plus, tabs: the text layer's readings.
  ASSERT_TRUE(read_items("1.5D+01\t0.12345-119 +2.0E0 0.5e-1", 5, items, 4));
  EXPECT_EQ(items[0], 15.0);
  EXPECT_EQ(items[1], 0.12345e-119);
  EXPECT_EQ(items[2], 2.0);
  EXPECT_EQ(items[3], 0.05);
  // Exponents of five digits or more are the general reader's (a fuzzed
  // grd file once overflowed the fast reader's exponent): as from 1.0E0009.
  ASSERT_TRUE(read_items("0.25E00009 1.0E-0000000001", 5, items, 2));
  EXPECT_EQ(items[0], 0.25e9);
  EXPECT_EQ(items[1], 0.1);
  double huge = 0.0;
  EXPECT_EQ(read_items("0.1E4375000000", 5, &huge, 1), read_items("0.1E+4375", 5, &huge, 1));
  // No decimal point: the last d digits are the fraction, as in an E13.5 field.
  ASSERT_TRUE(read_items("12345 -3", 5, items, 2));
  EXPECT_EQ(items[0], 0.12345);
  EXPECT_EQ(items[1], -0.00003);
}

// Items spelled as to_chars writes them (every precision, both exponent
// letters, fixed notation too) over the whole range of doubles, subnormal and
// exact ties included: read_items gives from_chars' double.
TEST(GridNumbersRead, PlainItemsAgreeWithFromChars) {
  std::mt19937_64 gen(20261208);
  std::uniform_int_distribution<std::uint64_t> bits;
  std::uniform_int_distribution<int> precision(0, 19);
  for (int n = 0; n < 200000; ++n) {
    double v;
    const std::uint64_t b = bits(gen);
    std::memcpy(&v, &b, sizeof v);
    if (!std::isfinite(v)) continue;
    if (n % 3 == 1)
      v = std::ldexp(static_cast<double>(b >> 40), static_cast<int>(b % 120) - 60);  // short binary numbers
    char text[400];
    const int p = precision(gen);
    const auto r = n % 5 == 0 && std::fabs(v) < 1e30 && std::fabs(v) > 1e-30
                       ? std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, p)
                       : std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, p);
    ASSERT_EQ(r.ec, std::errc());
    std::string item(text, r.ptr);
    if (item.find('.') == std::string::npos)
      item.insert(item.find_first_of("e") == std::string::npos ? item.size() : item.find('e'), ".");
    if (n % 2 == 0)
      for (char& c : item)
        if (c == 'e') c = 'E';
    double expected = 0.0, got = 1.0;
    // Rounded past the largest double: no value for either reader.
    if (std::from_chars(item.data(), item.data() + item.size(), expected).ec != std::errc()) continue;
    ASSERT_TRUE(read_items("  " + item + " ", 5, &got, 1)) << item;
    ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << item << ": " << got << " vs " << expected;
  }
}

// Fixed-column fields read as the text layer reads them, values and refusals.
TEST(GridNumbersRead, FieldsAgreeWithTheTextLayer) {
  std::vector<std::string> fields = {"                ", "  0.12345678E+01", " -0.12345678E-01", "   1.5 E+01     ",
                                     "  0.1D+01       ", "12345678        ", "  -             ", "  1.5\t          ",
                                     "  1.5x          ", "     1.0E+999   ", "  1.0E-999      ", "  +0.5          ",
                                     "  .             ", "  -0.0          ", "  0.12345-119   "};
  std::mt19937_64 gen(20261208);
  std::uniform_real_distribution<double> decade(-40.0, 40.0);
  for (int n = 0; n < 2000; ++n) {
    std::string s;
    tessaro::textio::put_E(s, (n % 2 ? -1.0 : 1.0) * std::pow(10.0, decade(gen)), 16, 8);
    fields.push_back(s);
  }
  for (const std::string& field : fields) {
    double expected = 7.0, got = 7.0;
    const bool ok = tessaro::textio::parse_real(field, 8, expected);
    ASSERT_EQ(tessaro::grid_numbers::read_field(field, 8, got), ok) << field;
    if (ok) {
      ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << field;
    }
  }
}

TEST(GridNumbersRead, NonNumbersAreErrors) {
  double items[6];
  EXPECT_FALSE(read_items("  1.0E+00  abc", 5, items, 2));
  EXPECT_FALSE(read_items("*************", 5, items, 1));
  EXPECT_FALSE(read_items("1.0.0", 5, items, 1));
  EXPECT_FALSE(read_items("nan", 5, items, 1));
  EXPECT_FALSE(read_items("-inf.", 5, items, 1));
}

}  // namespace
