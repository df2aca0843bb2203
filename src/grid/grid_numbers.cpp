#include "grid/grid_numbers.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "textio/textio.hpp"

namespace tessaro::grid_numbers {

namespace {

// Powers of ten in extended precision, each the nearest long double to the
// exact power (strtold rounds correctly), for the scaling of the fast digit
// path: 10^kMinPow .. 10^kMaxPow.
constexpr int kMinPow = -320;
constexpr int kMaxPow = 345;

struct PowersOfTen {
  std::array<long double, kMaxPow - kMinPow + 1> p{};
  PowersOfTen() {
    for (int k = kMinPow; k <= kMaxPow; ++k) {
      char text[16];
      text[0] = '1';
      text[1] = 'e';
      auto r = std::to_chars(text + 2, text + 15, k);
      *r.ptr = '\0';
      p[static_cast<std::size_t>(k - kMinPow)] = std::strtold(text, nullptr);
    }
  }
  long double operator()(int k) const { return p[static_cast<std::size_t>(k - kMinPow)]; }
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

// The n significant digits (1 <= n <= 17) of a > 0, finite, correctly
// rounded to nearest, and the decimal exponent of the first digit. The fast
// path scales by a power of ten in extended precision, whose error stays far
// below the margin it keeps from a rounding tie; anything closer to a tie
// goes through std::to_chars, so the digits always equal to_chars'.
[[gnu::always_inline]] inline void significant_digits(double a, int n, char* digits, int& e10) {
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);  // a > 0: no sign bit
  if (n > 15 || biased == 0) {  // long layouts and subnormal numbers
    digits_exact(a, n, digits, e10);
    return;
  }
  // a = f * 2^(biased - 1023) with 1 <= f < 2; floor(log10(a)) is this
  // estimate (floor((biased - 1023) * log10(2)), exact for the whole double
  // range) or one more.
  int e = ((biased - 1023) * 78913) >> 18;
  const PowersOfTen& p10 = powers();
  const long double top = static_cast<long double>(kIntPow10[n]);
  long double scaled = static_cast<long double>(a) * p10(n - 1 - e);
  if (scaled >= top) {
    ++e;
    scaled = static_cast<long double>(a) * p10(n - 1 - e);
  }
  // 10^(n-1) <= scaled < 10^n < 2^53. The integer part goes through double
  // (a plain conversion; turning an extended value straight into an integer
  // switches the x87 rounding mode, which is slow) and is then corrected, the
  // difference being exact in extended precision.
  std::int64_t m = static_cast<std::int64_t>(static_cast<double>(scaled));
  long double frac = scaled - static_cast<long double>(m);
  if (frac < 0.0L) {
    --m;
    frac += 1.0L;
  } else if (frac >= 1.0L) {
    ++m;
    frac -= 1.0L;
  }
  // The relative error of `scaled` is below 2^-63; keep ten times that away
  // from the halfway point.
  const long double margin = top * 1.0e-18L;
  const long double off = frac - 0.5L;
  if (off < margin && off > -margin) {
    digits_exact(a, n, digits, e10);
    return;
  }
  if (off > 0) ++m;
  if (m == static_cast<std::int64_t>(kIntPow10[n])) {  // rounding carried into a new digit: 9.99999 -> 10.0000
    m = static_cast<std::int64_t>(kIntPow10[n - 1]);
    ++e;
  }
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  int i = n;
  while (i >= 2) {
    const unsigned pair = static_cast<unsigned>(m % 100);
    m /= 100;
    digits[i - 1] = kPairs[2 * pair + 1];
    digits[i - 2] = kPairs[2 * pair];
    i -= 2;
  }
  if (i == 1) digits[0] = static_cast<char>('0' + m);
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
// time: the body is built behind a run of blanks and the field is the last W
// characters, one copy of constant size.
template <int W, int D, bool Scientific>
char* write_field(char* dst, double value) {
  static_assert(W <= 32 && D >= 1 && D <= 15);
  if (!std::isfinite(value)) return via_text_layer(dst, value, W, D, Scientific);
  char scratch[32 + kMaxWidth];
  std::memset(scratch, ' ', 32);
  char* const body = scratch + 32;
  char* p = body;
  if (std::signbit(value)) *p++ = '-';
  char* const zero_at = p;
  const double a = std::fabs(value);
  int e = 0;
  if (Scientific) {
    if (a == 0.0) {
      *p++ = '0';
      *p++ = '.';
      std::memset(p, '0', D);
    } else {
      char digits[D + 1];
      significant_digits(a, D + 1, digits, e);
      *p++ = digits[0];
      *p++ = '.';
      std::memcpy(p, digits + 1, D);
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    if (a == 0.0) {
      std::memset(p, '0', D);
    } else {
      significant_digits(a, D, p, e);
      ++e;  // 0.ddd form: one place more than d.dd
    }
  }
  p += D;
  p = put_exponent(p, e);
  const int len = static_cast<int>(p - body);
  if (len > W) return justify(dst, body, len, W, Scientific ? -1 : static_cast<int>(zero_at - body));
  std::memcpy(dst, p - W, W);
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

bool read_items(std::string_view line, int d, double* dst, std::size_t count) {
  const char* p = line.data();
  const char* const end = p + line.size();
  std::size_t n = 0;
  while (n < count) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r')) ++p;
    if (p == end) break;
    const char* start = p;
    bool has_point = false;
    while (p < end && *p != ' ' && *p != '\t' && *p != '\r') {
      has_point |= (*p == '.');
      ++p;
    }
    double v = 0.0;
    // The plain form (sign, digits with a point, E exponent) goes straight to
    // from_chars; every other spelling is judged by the text layer.
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

}  // namespace tessaro::grid_numbers
