#include "grid/grid_numbers.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

#include "textio/textio.hpp"

namespace tessaro::grid_numbers {

namespace {

// Powers of ten as 64-bit mantissas: 10^k is close to pow10_mantissa(k) *
// 2^pow10_exponent(k), the mantissa in [2^63, 2^64), for k from kMinPow to
// kMaxPow. They come from the nearest long double to each power (strtold
// rounds correctly); where long double has fewer than 64 bits the margin below
// widens to match.
constexpr int kMinPow = -320;
constexpr int kMaxPow = 345;
constexpr int kPowBits = std::numeric_limits<long double>::digits < 64 ? std::numeric_limits<long double>::digits : 64;

struct PowersOfTen {
  std::array<std::uint64_t, kMaxPow - kMinPow + 1> mantissa{};
  std::array<int, kMaxPow - kMinPow + 1> exponent{};
  PowersOfTen() {
    for (int k = kMinPow; k <= kMaxPow; ++k) {
      char text[16];
      text[0] = '1';
      text[1] = 'e';
      auto r = std::to_chars(text + 2, text + 15, k);
      *r.ptr = '\0';
      int e2 = 0;
      const long double f = std::frexp(std::strtold(text, nullptr), &e2);  // [0.5, 1)
      const auto i = static_cast<std::size_t>(k - kMinPow);
      mantissa[i] = static_cast<std::uint64_t>(std::ldexp(f, 64));
      exponent[i] = e2 - 64;
    }
  }
};

// Built on first use (safe from the order of static initialisation).
const PowersOfTen& powers() {
  static const PowersOfTen table;
  return table;
}

constexpr std::uint64_t kIntPow10[] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull};

__extension__ typedef unsigned __int128 Uint128;

// Slow but exact: the n significant digits of a, correctly rounded, and the
// decimal exponent of the first digit.
void digits_exact(double a, int n, char* digits, int& e10) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, n - 1);
  const char* p = buf;
  int k = 0;
  for (; p < r.ptr && *p != 'e'; ++p)
    if (*p != '.') digits[k++] = *p;
  ++p;  // 'e'
  int e = 0;
  std::from_chars(*p == '+' ? p + 1 : p, r.ptr, e);
  e10 = e;
}

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The n decimal digits of m < 10^n, leading zeros included.
[[gnu::always_inline]] inline void put_digits(std::uint64_t m, int n, char* digits) {
  int i = n;
  while (i >= 2) {
    const auto pair = static_cast<unsigned>(m % 100);
    m /= 100;
    digits[i - 1] = kPairs[2 * pair + 1];
    digits[i - 2] = kPairs[2 * pair];
    i -= 2;
  }
  if (i == 1) digits[0] = static_cast<char>('0' + m);
}

// The n significant digits (1 <= n <= 15) of a > 0, finite, correctly
// rounded to nearest, and the decimal exponent of the first digit. The fast
// path multiplies the 53-bit mantissa by a 64-bit mantissa of a power of ten
// exactly (a 128-bit product); the power's own error is far below the margin
// kept from a rounding tie, and anything closer to a tie (exact ties among
// them) goes through std::to_chars, so the digits always equal to_chars'.
[[gnu::always_inline]] inline void significant_digits(double a, int n, char* digits, int& e10) {
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);  // a > 0: no sign bit
  if (n > 15 || biased == 0) {  // long layouts and subnormal numbers
    digits_exact(a, n, digits, e10);
    return;
  }
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int q = biased - 1075;  // a = m * 2^q
  // floor(log10(a)) is this estimate (floor((biased - 1023) * log10(2)),
  // exact for the whole double range) or one more.
  int e = ((biased - 1023) * 78913) >> 18;
  const PowersOfTen& p10 = powers();
  Uint128 product;
  int shift;
  std::uint64_t whole;
  for (;;) {
    const auto at = static_cast<std::size_t>(n - 1 - e - kMinPow);
    // a * 10^(n-1-e) = product * 2^-shift, with 61 <= shift <= 117.
    product = static_cast<Uint128>(m) * p10.mantissa[at];
    shift = -(q + p10.exponent[at]);
    whole = static_cast<std::uint64_t>(product >> shift);
    if (whole < kIntPow10[n]) break;
    ++e;
  }
  const Uint128 fraction = product & ((static_cast<Uint128>(1) << shift) - 1);
  const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
  // The power of ten is off by at most 2^-kPowBits of itself, so the product
  // is off by less than this much of itself.
  const Uint128 margin = (product >> (kPowBits - 3)) + 1;
  if ((fraction > half ? fraction - half : half - fraction) <= margin) {
    digits_exact(a, n, digits, e10);
    return;
  }
  if (fraction > half) ++whole;
  if (whole == kIntPow10[n]) {  // rounding carried into a new digit: 9.99999 -> 10.0000
    whole = kIntPow10[n - 1];
    ++e;
  }
  put_digits(whole, n, digits);
  e10 = e;
}

[[gnu::always_inline]] inline char* put_exponent(char* p, int e) {
  const bool neg = e < 0;
  unsigned u = static_cast<unsigned>(neg ? -e : e);
  if (u < 100) {
    *p++ = 'E';
    *p++ = neg ? '-' : '+';
  } else {
    *p++ = neg ? '-' : '+';  // three exponent digits take the place of the letter
    *p++ = static_cast<char>('0' + u / 100);
    u %= 100;
  }
  *p++ = static_cast<char>('0' + u / 10);
  *p++ = static_cast<char>('0' + u % 10);
  return p;
}

// Right-justifies body[0..len) in w columns at dst; w asterisks when it does
// not fit. `optional_zero` is the position of a leading zero before the
// point that may be left out when the field is one column short (-1: none).
char* justify(char* dst, const char* body, int len, int w, int optional_zero) {
  if (len == w + 1 && optional_zero >= 0) {
    std::memcpy(dst, body, static_cast<std::size_t>(optional_zero));
    std::memcpy(dst + optional_zero, body + optional_zero + 1, static_cast<std::size_t>(len - optional_zero - 1));
    return dst + w;
  }
  if (len > w) {
    std::memset(dst, '*', static_cast<std::size_t>(w));
    return dst + w;
  }
  std::memset(dst, ' ', static_cast<std::size_t>(w - len));
  std::memcpy(dst + (w - len), body, static_cast<std::size_t>(len));
  return dst + w;
}

// Non-numbers, infinities and layouts outside the fast code's range: as the
// text layer writes them.
char* via_text_layer(char* dst, double value, int w, int d, bool es) {
  std::string s;
  if (es)
    textio::put_ES(s, value, w, d);
  else
    textio::put_E(s, value, w, d);
  std::memcpy(dst, s.data(), s.size());
  return dst + s.size();
}

// The value fields of the big grids, with width and digits known at compile
// time. The longest body (sign, D + 2 mantissa characters, four exponent
// characters) fits the width, so every field is blanks, the sign column and
// the body at fixed places.
template <int W, int D, bool Scientific>
char* write_field(char* dst, double value) {
  static_assert(D >= 1 && D <= 14 && D + 7 <= W);
  if (!std::isfinite(value)) return via_text_layer(dst, value, W, D, Scientific);
  std::memset(dst, ' ', W - D - 7);
  char* p = dst + (W - D - 7);
  *p++ = std::signbit(value) ? '-' : ' ';
  const double a = std::fabs(value);
  int e = 0;
  if (a == 0.0) {
    p[0] = '0';
    p[1] = '.';
    std::memset(p + 2, '0', D);
  } else if (Scientific) {
    // d.ddd: the digits one place to the right, then the first moved before the point.
    significant_digits(a, D + 1, p + 1, e);
    p[0] = p[1];
    p[1] = '.';
  } else {
    p[0] = '0';
    p[1] = '.';
    significant_digits(a, D, p + 2, e);
    ++e;  // 0.ddd form: one place more than d.dd
  }
  put_exponent(p + D + 2, e);
  return dst + W;
}

}  // namespace

char* write_ES(char* dst, double value, int w, int d) {
  if (!std::isfinite(value) || d < 0 || d > 16 || w < 1 || w > kMaxWidth) return via_text_layer(dst, value, w, d, true);
  char body[kMaxWidth + 16];
  char* p = body;
  if (std::signbit(value)) *p++ = '-';
  const double a = std::fabs(value);
  if (a == 0.0) {
    *p++ = '0';
    *p++ = '.';
    std::memset(p, '0', static_cast<std::size_t>(d));
    p += d;
    p = put_exponent(p, 0);
    return justify(dst, body, static_cast<int>(p - body), w, -1);
  }
  char digits[20];
  int e = 0;
  significant_digits(a, d + 1, digits, e);
  *p++ = digits[0];
  *p++ = '.';
  std::memcpy(p, digits + 1, static_cast<std::size_t>(d));
  p += d;
  p = put_exponent(p, e);
  return justify(dst, body, static_cast<int>(p - body), w, -1);
}

char* write_E(char* dst, double value, int w, int d) {
  if (!std::isfinite(value) || d < 1 || d > 17 || w < 1 || w > kMaxWidth) return via_text_layer(dst, value, w, d, false);
  char body[kMaxWidth + 16];
  char* p = body;
  if (std::signbit(value)) *p++ = '-';
  const int zero_at = static_cast<int>(p - body);
  const double a = std::fabs(value);
  *p++ = '0';
  *p++ = '.';
  int e = 0;
  if (a == 0.0) {
    std::memset(p, '0', static_cast<std::size_t>(d));
  } else {
    significant_digits(a, d, p, e);
    ++e;  // 0.ddd form: one place more than d.dd
  }
  p += d;
  p = put_exponent(p, e);
  return justify(dst, body, static_cast<int>(p - body), w, zero_at);
}

char* write_ES13_5(char* dst, double value) { return write_field<13, 5, true>(dst, value); }
char* write_E18_10(char* dst, double value) { return write_field<18, 10, false>(dst, value); }

namespace {

// Exact powers of ten as doubles (10^22 is the last one).
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The nearest double to digits * 10^scale (digits > 0), or false when the
// product lies too close to a rounding tie (or outside the normal range) to
// be sure of it. The digits, shifted to fill 64 bits, times the 64-bit
// mantissa of the power of ten is exact in 128 bits; the power's own error
// moves it by less than 2^-(kPowBits - 1) of itself, far less than the margin
// kept from the halfway point between two doubles.
[[gnu::noinline]] bool nearest_double(std::uint64_t digits, int scale, double& value) {
  if (scale < kMinPow || scale > kMaxPow) return false;
  const PowersOfTen& p10 = powers();
  const auto at = static_cast<std::size_t>(scale - kMinPow);
  const int lead = __builtin_clzll(digits);
  const Uint128 product = static_cast<Uint128>(digits << lead) * p10.mantissa[at];
  // value = product * 2^(exponent - lead); the product holds 127 or 128 bits.
  const int top = static_cast<int>(product >> 127);  // 1 when the product holds 128 bits
  const int dropped = 74 + top;                      // bits below the 53 kept
  std::uint64_t mantissa = static_cast<std::uint64_t>(product >> dropped);
  const Uint128 rest = product & ((static_cast<Uint128>(1) << dropped) - 1);
  const Uint128 half = static_cast<Uint128>(1) << (dropped - 1);
  const Uint128 margin = (product >> (kPowBits - 3)) + 1;
  if ((rest > half ? rest - half : half - rest) <= margin) return false;
  int exponent = p10.exponent[at] - lead + dropped;  // value = mantissa * 2^exponent
  if (rest > half && ++mantissa == (std::uint64_t{1} << 53)) {
    mantissa >>= 1;
    ++exponent;
  }
  const int biased = exponent + 52 + 1023;
  if (biased < 1 || biased > 2046) return false;
  const std::uint64_t bits = (static_cast<std::uint64_t>(biased) << 52) | (mantissa & ((std::uint64_t{1} << 52) - 1));
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

// digits x 10^scale as the nearest double; false when it is out of range.
// Two exact numbers give it with one rounding; other cases take the long way.
[[gnu::always_inline]] inline bool decimal_value(std::uint64_t digits, int scale, double& v) {
  if (digits == 0) return true;
  if (digits <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
    const auto d = static_cast<double>(digits);
    v = scale < 0 ? d / kExactPow10[-scale] : d * kExactPow10[scale];
    return true;
  }
  return nearest_double(digits, scale, v);
}

// The plain spelling of the value blocks, [-]digits.digits[E[+-]digits] with
// at least one digit, read straight from the characters when its digits fit
// 19 places and its value is surely the nearest double (as from_chars gives
// it): the common case by one division or multiplication of exact numbers,
// the rest by nearest_double(). Returns the end of the number, or nullptr
// when the item is spelled otherwise or lies outside that range.
[[gnu::always_inline]] inline const char* read_plain(const char* p, const char* end, double& value) {
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  std::uint64_t digits = 0;
  int significant = 0;  // digits taken after the leading zeros
  int scale = 0;        // power of ten of the last digit
  bool any = false, point = false;
  for (; p < end; ++p) {
    const unsigned d = static_cast<unsigned>(*p - '0');
    if (d <= 9) {
      any = true;
      if (point) --scale;
      if (digits == 0 && d == 0) continue;
      if (++significant > 19) return nullptr;
      digits = digits * 10 + d;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any || !point) return nullptr;
  if (p < end && (*p == 'E' || *p == 'e')) {
    ++p;
    const bool minus = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    // More than four exponent digits are left to the general reader (and
    // never accumulated here, where they would overflow).
    int exponent = 0, count = 0;
    for (; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p, ++count) {
      if (count == 4) return nullptr;
      exponent = exponent * 10 + (*p - '0');
    }
    if (count == 0) return nullptr;
    scale += minus ? -exponent : exponent;
  }
  if (p < end && !is_blank(*p)) return nullptr;
  double v = 0.0;
  if (!decimal_value(digits, scale, v)) return nullptr;
  value = negative ? -v : v;
  return p;
}

// The spelling of nearly every value of the files, [-]d.ddd...E[+-]dd (one
// digit before the point, at most 17 after, a two- or three-digit exponent),
// in straight-line code; nullptr for any other spelling, left to
// read_plain().
[[gnu::always_inline]] inline const char* read_common(const char* p, const char* end, double& value) {
  const bool negative = *p == '-';
  if (negative) ++p;
  if (end - p < 6) return nullptr;
  auto digit = [](char c) { return static_cast<unsigned>(c - '0'); };
  std::uint64_t digits = digit(p[0]);
  if (digits > 9 || p[1] != '.') return nullptr;
  const char* q = p + 2;
  const char* const last = end - q > 17 ? q + 17 : end;
  for (unsigned d = 0; q < last && (d = digit(*q)) <= 9; ++q) digits = digits * 10 + d;
  const int fraction = static_cast<int>(q - (p + 2));
  if (end - q < 4 || (*q != 'E' && *q != 'e') || (q[1] != '-' && q[1] != '+')) return nullptr;
  const bool minus = q[1] == '-';
  const unsigned e1 = digit(q[2]), e2 = digit(q[3]);
  if (e1 > 9 || e2 > 9) return nullptr;
  int exponent = static_cast<int>(10 * e1 + e2);
  q += 4;
  if (q < end && !is_blank(*q)) {
    const unsigned e3 = digit(*q);
    if (e3 > 9) return nullptr;
    exponent = 10 * exponent + static_cast<int>(e3);
    if (++q < end && !is_blank(*q)) return nullptr;
  }
  const int scale = (minus ? -exponent : exponent) - fraction;
  double v = 0.0;
  if (!decimal_value(digits, scale, v)) return nullptr;
  value = negative ? -v : v;
  return q;
}

}  // namespace

bool read_items(std::string_view line, int d, double* dst, std::size_t count) {
  const char* p = line.data();
  const char* const end = p + line.size();
  std::size_t n = 0;
  while (n < count) {
    while (p < end && is_blank(*p)) ++p;
    if (p == end) break;
    if (const char* after = read_common(p, end, dst[n])) {
      ++n;
      p = after;
      continue;
    }
    if (const char* after = read_plain(p, end, dst[n])) {
      ++n;
      p = after;
      continue;
    }
    const char* start = p;
    bool has_point = false;
    while (p < end && !is_blank(*p)) {
      has_point |= (*p == '.');
      ++p;
    }
    double v = 0.0;
    // Other plain forms (long digit strings, far exponents) go to from_chars;
    // every other spelling is judged by the text layer.
    const char c = *start;
    if (has_point && (c == '-' || c == '.' || (c >= '0' && c <= '9'))) {
      auto r = std::from_chars(start, p, v);
      if (r.ec == std::errc() && r.ptr == p) {
        dst[n++] = v;
        continue;
      }
    }
    if (!textio::parse_real(std::string_view(start, static_cast<std::size_t>(p - start)), d, v)) return false;
    dst[n++] = v;
  }
  for (; n < count; ++n) dst[n] = 0.0;
  return true;
}

bool read_field(std::string_view field, int d, double& value) {
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p < end && *p == ' ') ++p;
  // A plain number with nothing but blanks after it reads the same either way.
  if (p < end) {
    double v = 0.0;
    const char* after = read_plain(p, end, v);
    if (after != nullptr && (after == end || *after == ' ')) {
      while (after < end && *after == ' ') ++after;
      if (after == end) {
        value = v;
        return true;
      }
    }
  }
  return textio::parse_real(field, d, value);
}

}  // namespace tessaro::grid_numbers
