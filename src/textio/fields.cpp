// Single fixed-column fields, both ways. Digits come from std::to_chars /
// std::from_chars (correctly rounded); this file only lays them out.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "textio/textio.hpp"

namespace tessaro::textio {

namespace {

void put_stars(std::string& out, int w) { out.append(static_cast<std::size_t>(w > 0 ? w : 0), '*'); }

// Right-justifies `text` in w columns, or w asterisks when it is wider.
void put_right(std::string& out, std::string_view text, int w) {
  if (w < 0) w = 0;
  if (text.size() > static_cast<std::size_t>(w)) {
    put_stars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w) - text.size(), ' ');
  out.append(text);
}

// A value that is not a number is written "NaN"; an infinity "Infinity" or
// "-Infinity", shortened to "Inf" / "-Inf" when the field is narrow.
bool put_non_number(std::string& out, double value, int w) {
  if (std::isnan(value)) {
    put_right(out, "NaN", w);
    return true;
  }
  if (std::isinf(value)) {
    bool neg = value < 0;
    std::string_view longer = neg ? "-Infinity" : "Infinity";
    std::string_view shorter = neg ? "-Inf" : "Inf";
    put_right(out, static_cast<int>(longer.size()) <= w ? longer : shorter, w);
    return true;
  }
  return false;
}

// Splits the output of to_chars(scientific) "D.DDDDe+XX" into its digits and
// its decimal exponent. Returns the number of digits.
int split_scientific(const char* first, const char* last, char* digits, int& exponent) {
  int n = 0;
  const char* p = first;
  for (; p != last && *p != 'e'; ++p)
    if (*p != '.') digits[n++] = *p;
  exponent = 0;
  if (p != last) {
    ++p;  // 'e'
    bool neg = *p == '-';
    ++p;
    for (; p != last; ++p) exponent = exponent * 10 + (*p - '0');
    if (neg) exponent = -exponent;
  }
  return n;
}

// Appends the exponent part of Ew.d / ESw.d: "E+dd", or "+ddd" when three
// digits are needed (the letter is dropped). Returns false when it needs more.
bool append_exponent(char*& p, int e) {
  char sign = e < 0 ? '-' : '+';
  int a = e < 0 ? -e : e;
  if (a <= 99) {
    *p++ = 'E';
    *p++ = sign;
    *p++ = static_cast<char>('0' + a / 10);
    *p++ = static_cast<char>('0' + a % 10);
    return true;
  }
  if (a <= 999) {
    *p++ = sign;
    *p++ = static_cast<char>('0' + a / 100);
    *p++ = static_cast<char>('0' + a / 10 % 10);
    *p++ = static_cast<char>('0' + a % 10);
    return true;
  }
  return false;
}

constexpr int kMaxDigits = 120;  // widest d the layouts may ask for, with room

}  // namespace

void put_I(std::string& out, std::int64_t value, int w) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  put_right(out, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), w);
}

void put_F(std::string& out, double value, int w, int d) {
  if (put_non_number(out, value, w)) return;
  if (d < 0 || d > kMaxDigits) {
    put_stars(out, w);
    return;
  }
  double mag = std::fabs(value);
  // Anything with more integer digits than the field has columns cannot fit;
  // checking first keeps the buffer small for huge values.
  if (mag >= 1e30 && mag >= std::pow(10.0, w)) {
    put_stars(out, w);
    return;
  }
  // Room for the 309 integer digits of the largest double.
  char buf[512 + kMaxDigits];
  char* p = buf;
  if (std::signbit(value)) *p++ = '-';
  auto r = std::to_chars(p, buf + sizeof buf, mag, std::chars_format::fixed, d);
  p = r.ptr;
  if (d == 0) *p++ = '.';
  std::string_view text(buf, static_cast<std::size_t>(p - buf));
  bool neg = buf[0] == '-';
  std::size_t zero_at = neg ? 1 : 0;
  // The zero before the point is written only when the field has room for it.
  if (text.size() > static_cast<std::size_t>(w) && text.size() - 1 == static_cast<std::size_t>(w) &&
      text.size() > zero_at + 1 && text[zero_at] == '0' && text[zero_at + 1] == '.') {
    out.append(neg ? "-" : "");
    out.append(text.substr(zero_at + 1));
    return;
  }
  put_right(out, text, w);
}

void put_E(std::string& out, double value, int w, int d) {
  if (put_non_number(out, value, w)) return;
  if (d < 0 || d > kMaxDigits) {
    put_stars(out, w);
    return;
  }
  bool neg = std::signbit(value);
  double mag = std::fabs(value);
  char digits[kMaxDigits + 8];
  int exponent = 0;
  if (mag == 0.0) {
    std::memset(digits, '0', static_cast<std::size_t>(d));
  } else {
    // d significant digits of the fraction 0.ddd: scientific with d-1 digits
    // after the point, the exponent shifted one place.
    char sci[kMaxDigits + 16];
    int prec = d > 0 ? d - 1 : 0;
    auto r = std::to_chars(sci, sci + sizeof sci, mag, std::chars_format::scientific, prec);
    int n = split_scientific(sci, r.ptr, digits, exponent);
    (void)n;
    exponent += 1;
  }
  char buf[kMaxDigits + 16];
  char* p = buf;
  if (neg) *p++ = '-';
  *p++ = '0';
  *p++ = '.';
  std::memcpy(p, digits, static_cast<std::size_t>(d));
  p += d;
  if (!append_exponent(p, exponent)) {
    put_stars(out, w);
    return;
  }
  std::size_t len = static_cast<std::size_t>(p - buf);
  if (len <= static_cast<std::size_t>(w)) {
    out.append(static_cast<std::size_t>(w) - len, ' ');
    out.append(buf, len);
  } else if (len - 1 == static_cast<std::size_t>(w)) {
    // One column short: the zero before the point is left out.
    if (neg) out.push_back('-');
    out.append(buf + (neg ? 2 : 1), len - (neg ? 2 : 1));
  } else {
    put_stars(out, w);
  }
}

void put_ES(std::string& out, double value, int w, int d) {
  if (put_non_number(out, value, w)) return;
  if (d < 0 || d > kMaxDigits) {
    put_stars(out, w);
    return;
  }
  bool neg = std::signbit(value);
  double mag = std::fabs(value);
  char buf[kMaxDigits + 24];
  char* p = buf;
  if (neg) *p++ = '-';
  auto r = std::to_chars(p, buf + sizeof buf, mag, std::chars_format::scientific, d);
  char* e = r.ptr;
  while (*--e != 'e') {
  }
  int exponent = 0;
  {
    const char* q = e + 1;
    bool eneg = *q == '-';
    for (++q; q != r.ptr; ++q) exponent = exponent * 10 + (*q - '0');
    if (eneg) exponent = -exponent;
  }
  p = e;
  if (d == 0) *p++ = '.';
  if (!append_exponent(p, exponent)) {
    put_stars(out, w);
    return;
  }
  put_right(out, std::string_view(buf, static_cast<std::size_t>(p - buf)), w);
}

void put_A(std::string& out, std::string_view text, int w) {
  if (w < 0) w = 0;
  std::size_t uw = static_cast<std::size_t>(w);
  if (text.size() >= uw) {
    out.append(text.substr(0, uw));
  } else {
    out.append(uw - text.size(), ' ');
    out.append(text);
  }
}

// ---------------------------------------------------------------------------

namespace {

// Brings a numeric field into the form from_chars reads: blanks dropped, D/d
// and a sign-only exponent turned into 'e', a leading '+' dropped, the implied
// decimal point put in as text. Returns the length, or -1 when the field is not
// a number. `empty` is set when the mantissa holds no digit (reads as zero).
// `mant` has room for field.size() characters, `buf` for `cap`.
int normalise_real(std::string_view field, int d, char* mant, char* buf, std::size_t cap, bool& empty) {
  // Mantissa digits, blanks dropped.
  std::size_t nm = 0;
  bool neg = false;
  bool seen_sign = false, seen_point = false, seen_digit = false;
  std::size_t i = 0;
  const std::size_t n = field.size();
  // Only the blank counts as one: a TAB inside a field is not a number.
  auto is_blank = [](char c) { return c == ' '; };
  while (i < n && is_blank(field[i])) ++i;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    neg = field[i] == '-';
    seen_sign = true;
    ++i;
  }
  (void)seen_sign;
  int point_digits = -1;  // digits after the point
  std::size_t digits = 0;
  for (; i < n; ++i) {
    char c = field[i];
    if (is_blank(c)) continue;
    if (c >= '0' && c <= '9') {
      mant[nm++] = c;
      ++digits;
      seen_digit = true;
      if (seen_point) ++point_digits;
    } else if (c == '.') {
      if (seen_point) return -1;
      seen_point = true;
      point_digits = 0;
    } else {
      break;
    }
  }
  // Exponent.
  bool has_exp = false;
  bool exp_neg = false;
  char expd[16];
  std::size_t ne = 0;
  if (i < n) {
    char c = field[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      while (i < n && is_blank(field[i])) ++i;
      if (i < n && (field[i] == '+' || field[i] == '-')) {
        exp_neg = field[i] == '-';
        ++i;
      }
    } else if (c == '+' || c == '-') {
      exp_neg = c == '-';
      ++i;
    } else {
      return -1;
    }
    has_exp = true;
    bool exp_digit = false;
    for (; i < n; ++i) {
      char e = field[i];
      if (is_blank(e)) continue;
      if (e < '0' || e > '9') return -1;
      exp_digit = true;
      if (ne == 0 && e == '0') continue;  // leading zeros of the exponent
      if (ne >= 6) return -1;             // absurd exponent: not a number we can hold
      expd[ne++] = e;
    }
    if (!exp_digit) return -1;  // an exponent letter or sign without digits
  }
  (void)has_exp;
  empty = !seen_digit;
  if (empty) return 0;
  // Assemble: [-]int.frac[e[-]exp]
  std::size_t len = 0;
  auto put = [&](char c) {
    if (len < cap) buf[len] = c;
    ++len;
  };
  if (neg) put('-');
  if (seen_point) {
    std::size_t int_digits = digits - static_cast<std::size_t>(point_digits);
    if (int_digits == 0) put('0');
    for (std::size_t k = 0; k < digits; ++k) {
      if (k == int_digits) put('.');
      put(mant[k]);
    }
  } else if (d > 0) {
    // The last d digits are the fraction.
    std::size_t ud = static_cast<std::size_t>(d);
    if (digits <= ud) {
      put('0');
      put('.');
      for (std::size_t k = digits; k < ud; ++k) put('0');
      for (std::size_t k = 0; k < digits; ++k) put(mant[k]);
    } else {
      for (std::size_t k = 0; k < digits; ++k) {
        if (k == digits - ud) put('.');
        put(mant[k]);
      }
    }
  } else {
    for (std::size_t k = 0; k < digits; ++k) put(mant[k]);
  }
  if (ne > 0) {
    put('e');
    if (exp_neg) put('-');
    for (std::size_t k = 0; k < ne; ++k) put(expd[k]);
  }
  if (len > cap) return -1;
  return static_cast<int>(len);
}

template <class T>
bool parse_real_as(std::string_view field, int d, T& value) {
  if (d < 0 || d > 1000) return false;
  // Fields are short; a long free-form value goes to the heap.
  constexpr std::size_t kSmall = 256;
  char mant_small[kSmall];
  char buf_small[kSmall + 64];
  std::unique_ptr<char[]> heap;
  char* mant = mant_small;
  char* buf = buf_small;
  std::size_t cap = sizeof buf_small;
  std::size_t need = field.size() + static_cast<std::size_t>(d) + 16;
  if (field.size() > kSmall || need > cap) {
    heap = std::make_unique<char[]>(field.size() + need);
    mant = heap.get();
    buf = mant + field.size();
    cap = need;
  }
  bool empty = false;
  int len = normalise_real(field, d, mant, buf, cap, empty);
  if (len < 0) return false;
  if (empty) {
    // A field of blanks reads as zero (so does a sign or a point alone).
    bool neg = false;
    for (char c : field)
      if (c == '-') neg = true;
    value = neg ? -T(0) : T(0);
    return true;
  }
  T v{};
  auto r = std::from_chars(buf, buf + len, v);
  if (r.ptr != buf + len) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too small for the type: zero of the right sign. Too large: not a value
    // this item can hold, an input error.
    const char* e = static_cast<const char*>(std::memchr(buf, 'e', static_cast<std::size_t>(len)));
    const char* mant_end = e ? e : buf + len;
    long exponent = 0;
    if (e) {
      std::from_chars(e + 1 + (e[1] == '-' ? 1 : 0), buf + len, exponent);
      if (e[1] == '-') exponent = -exponent;
    }
    // Decimal magnitude: position of the first non-zero digit.
    long mag = 0;
    const char* p = buf + (buf[0] == '-' ? 1 : 0);
    const char* point = static_cast<const char*>(std::memchr(p, '.', static_cast<std::size_t>(mant_end - p)));
    if (!point) point = mant_end;
    const char* first_nz = p;
    while (first_nz != mant_end && (*first_nz == '0' || *first_nz == '.')) ++first_nz;
    if (first_nz == mant_end) {
      value = T(0);
      return true;
    }
    mag = first_nz < point ? static_cast<long>(point - first_nz) : -static_cast<long>(first_nz - point - 1);
    if (mag + exponent > 0) return false;
    value = buf[0] == '-' ? -T(0) : T(0);
    return true;
  }
  if (r.ec != std::errc()) return false;
  value = v;
  return true;
}

}  // namespace

bool parse_real(std::string_view field, int d, double& value) { return parse_real_as(field, d, value); }

bool parse_real(std::string_view field, int d, float& value) { return parse_real_as(field, d, value); }

bool parse_int(std::string_view field, std::int32_t& value) {
  char buf[64];
  std::size_t n = 0;
  for (char c : field) {
    if (c == ' ') continue;
    if (n >= sizeof buf) return false;
    buf[n++] = c;
  }
  if (n == 0) {
    value = 0;
    return true;
  }
  const char* p = buf;
  const char* end = buf + n;
  bool neg = false;
  if (*p == '+' || *p == '-') {
    neg = *p == '-';
    ++p;
  }
  if (p == end) return false;  // a sign alone
  std::int64_t v = 0;
  for (; p != end; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return false;
  }
  if (neg) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min()) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

std::string_view columns(std::string_view line, int first, int width) {
  if (first < 1 || width <= 0) return {};
  std::size_t start = static_cast<std::size_t>(first - 1);
  if (start >= line.size()) return {};
  return line.substr(start, static_cast<std::size_t>(width));
}

}  // namespace tessaro::textio
