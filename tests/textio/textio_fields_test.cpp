// One test per descriptor with its exact one-line cases, the field parsers,
// and a seeded random check of E/ES digits against the C library's %.*e.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "textio/textio.hpp"

namespace tx = tessaro::textio;

namespace {
std::string I(std::int64_t v, int w) { std::string s; tx::put_I(s, v, w); return s; }
std::string F(double v, int w, int d) { std::string s; tx::put_F(s, v, w, d); return s; }
std::string E(double v, int w, int d) { std::string s; tx::put_E(s, v, w, d); return s; }
std::string ES(double v, int w, int d) { std::string s; tx::put_ES(s, v, w, d); return s; }
std::string A(std::string_view t, int w) { std::string s; tx::put_A(s, t, w); return s; }
double real(std::string_view field, int d) {
  double v = -99.0;
  EXPECT_TRUE(tx::parse_real(field, d, v)) << '"' << field << '"';
  return v;
}
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(TextioFieldOut, I) {
  EXPECT_EQ(I(5, 3), "  5");
  EXPECT_EQ(I(-12, 4), " -12");
  EXPECT_EQ(I(123456, 5), "*****");
  EXPECT_EQ(I(-1234, 4), "****");
  EXPECT_EQ(I(0, 1), "0");
}

TEST(TextioFieldOut, F) {
  EXPECT_EQ(F(-0.5, 12, 6), "   -0.500000");
  EXPECT_EQ(F(0.5, 3, 1), "0.5");
  EXPECT_EQ(F(-0.5, 3, 1), "-.5");  // the zero goes only when the field is one column short
  EXPECT_EQ(F(-0.5, 2, 1), "**");
  EXPECT_EQ(F(123.456, 6, 2), "123.46");
  EXPECT_EQ(F(123.456, 5, 2), "*****");
  EXPECT_EQ(F(9.96, 4, 1), "10.0");  // the carry makes a new digit
  EXPECT_EQ(F(9.96, 3, 1), "***");
  EXPECT_EQ(F(2.0, 5, 0), "   2.");
  EXPECT_EQ(F(1e300, 20, 12), "********************");
  EXPECT_EQ(F(0.125, 4, 2), "0.12");  // exact ties go to the even digit
  EXPECT_EQ(F(0.375, 4, 2), "0.38");
  EXPECT_EQ(F(static_cast<double>(0.1f), 20, 12), "      0.100000001490");  // a float's exact value
}

TEST(TextioFieldOut, E) {
  EXPECT_EQ(E(1.0, 13, 5), "  0.10000E+01");
  EXPECT_EQ(E(1.0e-120, 13, 5), "  0.10000-119");
  EXPECT_EQ(E(1.0e100, 13, 5), "  0.10000+101");
  EXPECT_EQ(E(0.0, 13, 5), "  0.00000E+00");
  EXPECT_EQ(E(123.456, 13, 5), "  0.12346E+03");
  EXPECT_EQ(E(-9.87654321e-5, 14, 6), " -0.987654E-04");
  EXPECT_EQ(E(0.9999996, 11, 5), "0.10000E+01");
  EXPECT_EQ(E(-1.0, 11, 5), "-.10000E+01");
  EXPECT_EQ(E(-1.0, 10, 5), "**********");
  EXPECT_EQ(E(4.9406564584124654e-324, 13, 5), "  0.49407-323");  // subnormal
}

TEST(TextioFieldOut, ES) {
  EXPECT_EQ(ES(1.0, 13, 5), "  1.00000E+00");
  EXPECT_EQ(ES(0.0, 13, 5), "  0.00000E+00");
  EXPECT_EQ(ES(-123.456, 14, 7), "-1.2345600E+02");
  EXPECT_EQ(ES(9.9999996, 13, 5), "  1.00000E+01");
  EXPECT_EQ(ES(1e-120, 14, 8), "1.00000000-120");
  EXPECT_EQ(ES(-1e-120, 14, 8), "**************");
}

TEST(TextioFieldOut, NonNumbers) {
  EXPECT_EQ(E(kNaN, 13, 5), "          NaN");
  EXPECT_EQ(F(kInf, 12, 6), "    Infinity");
  EXPECT_EQ(ES(-kInf, 13, 5), "    -Infinity");
  EXPECT_EQ(F(kInf, 4, 1), " Inf");
  EXPECT_EQ(F(-kInf, 4, 1), "-Inf");
  EXPECT_EQ(F(-kInf, 3, 1), "***");
  EXPECT_EQ(F(kNaN, 2, 1), "**");
}

TEST(TextioFieldOut, AAndX) {
  EXPECT_EQ(A("abc", 5), "  abc");
  EXPECT_EQ(A("abcdef", 4), "abcd");
  EXPECT_EQ(A("", 2), "  ");
  std::string s = "a";
  tx::put_X(s, 3);
  EXPECT_EQ(s, "a   ");
}

TEST(TextioFieldIn, Real) {
  EXPECT_EQ(real(" 0.12345E-01", 5), 0.012345);
  EXPECT_EQ(real("       12345", 4), 1.2345);  // the last d digits are the fraction
  EXPECT_EQ(real("   12345E2", 4), 123.45);
  EXPECT_EQ(real("5", 3), 0.005);
  EXPECT_EQ(real("1.0-05", 0), 1.0e-5);  // exponent by its sign alone
  EXPECT_EQ(real("1.0+05", 0), 1.0e5);
  EXPECT_EQ(real("2.5D3", 0), 2500.0);
  EXPECT_EQ(real("2.5d-3", 3), 0.0025);
  EXPECT_EQ(real(" 1 . 5 e 1 ", 3), 15.0);  // blanks inside are ignored
  EXPECT_EQ(real("+7.5", 1), 7.5);
  EXPECT_EQ(real("      ", 4), 0.0);
  EXPECT_EQ(real("", 4), 0.0);
  double v = 0;
  for (std::string_view bad : {"1.2.3", "1,5", "abc", "1.0E", "1.0E+", "1.0 x", "1\t2", "1e5e5"})
    EXPECT_FALSE(tx::parse_real(bad, 2, v)) << bad;
}

TEST(TextioFieldIn, FloatIsParsedStraightToSingle) {
  float f = 0;
  ASSERT_TRUE(tx::parse_real("0.5291771", 0, f));
  EXPECT_EQ(f, 0.5291771f);
  // Just above the midpoint of 1 and the next float: rounding to double first
  // would land on the midpoint and then on 1.
  ASSERT_TRUE(tx::parse_real("1.00000005960464477550", 0, f));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(f), 0x3f800001u);
}

TEST(TextioFieldIn, Int) {
  std::int32_t v = 0;
  ASSERT_TRUE(tx::parse_int("  42", v));
  EXPECT_EQ(v, 42);
  ASSERT_TRUE(tx::parse_int(" - 4 2", v));
  EXPECT_EQ(v, -42);
  ASSERT_TRUE(tx::parse_int("+7", v));
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(tx::parse_int("-2147483648", v));
  EXPECT_EQ(v, std::numeric_limits<std::int32_t>::min());
  ASSERT_TRUE(tx::parse_int("   ", v));
  EXPECT_EQ(v, 0);
  for (std::string_view bad : {"1.0", "2147483648", "-", "1e3", "12a"}) EXPECT_FALSE(tx::parse_int(bad, v)) << bad;
}

TEST(TextioFieldIn, ColumnsClipToTheLine) {
  EXPECT_EQ(tx::columns("abcdef", 2, 3), "bcd");
  EXPECT_EQ(tx::columns("abcdef", 5, 10), "ef");
  EXPECT_EQ(tx::columns("abc", 7, 2), "");
}

// E and ES digits from to_chars against glibc's correctly rounded %.*e, over
// random bit patterns (every magnitude, subnormals included).
TEST(TextioFieldOut, RandomDigitsAgreeWithPrintf) {
  std::mt19937_64 rng(20261208);
  int checked = 0;
  for (int n = 0; n < 8000; ++n) {
    double v = std::bit_cast<double>(rng());
    if (!std::isfinite(v)) continue;
    for (int d : {3, 5, 7, 8, 10, 12}) {
      char ref[64];
      for (bool es : {true, false}) {
        std::snprintf(ref, sizeof ref, "%.*e", es ? d : d - 1, std::fabs(v));
        char* e = std::strchr(ref, 'e');
        std::string digits(ref, e);
        digits.erase(digits.find('.'), 1);
        int x = std::atoi(e + 1) + (es ? 0 : 1);
        char exp[16];
        if (std::abs(x) <= 99) std::snprintf(exp, sizeof exp, "E%c%02d", x < 0 ? '-' : '+', std::abs(x));
        else std::snprintf(exp, sizeof exp, "%c%03d", x < 0 ? '-' : '+', std::abs(x));
        std::string want = std::string(v < 0 ? "-" : "") + (es ? digits.substr(0, 1) + "." + digits.substr(1)
                                                                : "0." + digits) + exp;
        int w = static_cast<int>(want.size()) + 2;
        std::string got = es ? ES(v, w, d) : E(v, w, d);
        ASSERT_EQ(got, "  " + want) << std::hexfloat << v << " d=" << d;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 80000);
}
