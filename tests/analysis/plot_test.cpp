#include "analysis/plot.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "textio/textio.hpp"

namespace tessaro {
namespace {

std::string fast_e(double v) {
  char out[11];
  put_E11_3(out, v);
  return std::string(out, 11);
}

std::string layer_e(double v) {
  std::string s;
  textio::put_E(s, v, 11, 3);
  return s;
}

TEST(PlotE11_3, ExactFields) {
  EXPECT_EQ(fast_e(0.0), "  0.000E+00");
  EXPECT_EQ(fast_e(1.0), "  0.100E+01");
  EXPECT_EQ(fast_e(-0.5), " -0.500E+00");
  EXPECT_EQ(fast_e(1.0E10), "  0.100E+11");  // the unselected marker
  EXPECT_EQ(fast_e(0.04040511280898172), "  0.404E-01");
  EXPECT_EQ(fast_e(0.9995), "  0.100E+01");   // rounding carries into the exponent
  EXPECT_EQ(fast_e(0.0012345), "  0.123E-02");
  EXPECT_EQ(fast_e(1.0E-120), "  0.100-119");   // three-digit exponent drops the E
  EXPECT_EQ(fast_e(-1.0E100), " -0.100+101");
  EXPECT_EQ(fast_e(1.0E-100), "  0.100E-99");
}

// The tight writer must agree with the text layer's E11.3 field for field.
TEST(PlotE11_3, AgreesWithTextLayer) {
  std::vector<double> values = {std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::max(),
                                -std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                0.1,
                                0.0995,
                                0.09995,
                                9.995,
                                1.2345e-5,
                                1.0E9,
                                2.0E10};
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-320, 305);
  for (int n = 0; n < 20000; ++n) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
  for (int n = 0; n < 20000; ++n) {
    // Raw bit patterns reach every binade, subnormals included.
    std::uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(v);
  }
  // Halfway cases of the third digit and their neighbours, where a quick
  // scaling could round the wrong way.
  std::uniform_int_distribution<int> three_digits(100, 999);
  for (int n = 0; n < 20000; ++n) {
    const double half = (three_digits(random) + 0.5) * std::pow(10.0, exponent(random) / 2);
    values.push_back(half);
    values.push_back(std::nextafter(half, 0.0));
    values.push_back(-std::nextafter(half, 1e300));
    values.push_back(999.5 * std::pow(10.0, exponent(random)));
  }
  for (double v : values) ASSERT_EQ(fast_e(v), layer_e(v)) << "value " << v;
}

// Every point, selected or not, in memory order (k outermost, i fastest),
// under 5X,E11.3,10X,E11.3 and without a header line.
TEST(PlotFile, EveryPointInMemoryOrder) {
  const std::vector<double> rdg = {0.5, 1.0E10, 0.25, 1.0E10};
  const std::vector<double> rho = {1.0, 0.0, -0.02, 2.5E-3};
  std::ostringstream out;
  plot(rdg, rho, 2, 1, 2, out);
  EXPECT_EQ(out.str(),
            "       0.500E+00            0.100E+01\n"
            "       0.100E+11            0.000E+00\n"
            "       0.250E+00           -0.200E-01\n"
            "       0.100E+11            0.250E-02\n");
}

TEST(PlotFile, FiveCubedGridGivesOneLinePerPoint) {
  std::vector<double> rdg(125, 1.0E10), rho(125, 0.0);
  for (std::size_t p = 0; p < 125; ++p) rho[p] = static_cast<double>(p) / 1000.0;
  std::ostringstream out;
  plot(rdg, rho, 5, 5, 5, out);
  const std::string text = out.str();
  EXPECT_EQ(text.size(), 125u * 38u);
  EXPECT_EQ(text.substr(124 * 38), "       0.100E+11            0.124E+00\n");
}

}  // namespace
}  // namespace tessaro
