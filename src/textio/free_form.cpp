// Free-form lines: the report's and console's output, the input file's reads.
#include <charconv>
#include <cmath>
#include <cstring>

#include "textio/textio.hpp"

namespace tessaro::textio {

namespace {

// A real with `sig` significant digits in `width` columns: fixed notation
// (`fixed_width` columns, then blanks) when 0.1 <= |x| < 10^sig after rounding
// to those digits, otherwise one digit, the point, sig-1 digits, 'E', the
// exponent's sign and `exp_digits` exponent digits, right-justified.
void put_free_real(std::string& out, double value, int sig, int width, int fixed_width, int exp_digits) {
  const std::size_t uwidth = static_cast<std::size_t>(width);
  if (std::isnan(value) || std::isinf(value)) {
    std::string_view t = std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
    out.append(uwidth - t.size(), ' ');
    out.append(t);
    return;
  }
  bool neg = std::signbit(value);
  double mag = std::fabs(value);
  char sci[48];
  auto r = std::to_chars(sci, sci + sizeof sci, mag, std::chars_format::scientific, sig - 1);
  char digits[24];
  int nd = 0;
  const char* p = sci;
  for (; p != r.ptr && *p != 'e'; ++p)
    if (*p != '.') digits[nd++] = *p;
  int exponent = 0;
  bool eneg = p[1] == '-';
  for (p += 2; p < r.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  if (eneg) exponent = -exponent;

  char buf[48];
  char* q = buf;
  if (neg) *q++ = '-';
  if (mag == 0.0 || (exponent >= -1 && exponent < sig)) {
    // Zero is written in fixed notation too, as 0.000...
    if (mag == 0.0) exponent = 0;
    if (exponent < 0) {
      *q++ = '0';
      *q++ = '.';
      for (int k = 0; k < nd; ++k) *q++ = digits[k];
    } else {
      for (int k = 0; k < nd; ++k) {
        *q++ = digits[k];
        if (k == exponent) *q++ = '.';
      }
    }
    std::size_t len = static_cast<std::size_t>(q - buf);
    out.append(static_cast<std::size_t>(fixed_width) - len, ' ');
    out.append(buf, len);
    out.append(uwidth - static_cast<std::size_t>(fixed_width), ' ');
    return;
  }
  *q++ = digits[0];
  *q++ = '.';
  for (int k = 1; k < nd; ++k) *q++ = digits[k];
  *q++ = 'E';
  *q++ = exponent < 0 ? '-' : '+';
  int a = exponent < 0 ? -exponent : exponent;
  if (exp_digits == 3) *q++ = static_cast<char>('0' + a / 100);
  *q++ = static_cast<char>('0' + a / 10 % 10);
  *q++ = static_cast<char>('0' + a % 10);
  std::size_t len = static_cast<std::size_t>(q - buf);
  out.append(uwidth - len, ' ');
  out.append(buf, len);
}

}  // namespace

void put_free_i4(std::string& out, std::int32_t v) { put_I(out, v, 11); }

void put_free_r8(std::string& out, double v) { put_free_real(out, v, 17, 25, 20, 3); }

// Single precision: the float's exact value, rounded once to 8 digits.
void put_free_r4(std::string& out, float v) { put_free_real(out, static_cast<double>(v), 8, 15, 11, 2); }

void FreeLine::separator(bool is_text) {
  if (!has_items_) {
    line_.push_back(' ');
  } else if (!(is_text && last_was_text_)) {
    line_.push_back(' ');
  }
  has_items_ = true;
  last_was_text_ = is_text;
}

FreeLine& FreeLine::text(std::string_view s) {
  separator(true);
  line_.append(s);
  return *this;
}

FreeLine& FreeLine::i4(std::int32_t v) {
  separator(false);
  put_free_i4(line_, v);
  return *this;
}

FreeLine& FreeLine::r8(double v) {
  separator(false);
  put_free_r8(line_, v);
  return *this;
}

FreeLine& FreeLine::r4(float v) {
  separator(false);
  put_free_r4(line_, v);
  return *this;
}

FreeLine& FreeLine::logical(bool v) {
  separator(false);
  line_.push_back(v ? 'T' : 'F');
  return *this;
}

// ---------------------------------------------------------------------------
// Free-form input.

namespace {

// Where the lines of a free-form read come from.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual bool next(std::string_view& line) = 0;
};

class ReaderSource : public LineSource {
 public:
  explicit ReaderSource(LineReader& in) : in_(in) {}
  bool next(std::string_view& line) override { return in_.next(line); }

 private:
  LineReader& in_;
};

class TextSource : public LineSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) override {
    if (done_) return false;
    done_ = true;
    line = text_;
    return true;
  }

 private:
  std::string_view text_;
  bool done_ = false;
};

// Only the blank separates values: a TAB is part of a value.
bool is_blank(char c) { return c == ' '; }

// Stores a value's text into an item; false when it is not a value of the
// item's type.
bool store(const FreeItem& item, std::string_view text, bool quoted) {
  if (auto s = std::get_if<std::string*>(&item)) {
    std::string& t = **s;
    std::size_t len = t.size();
    t.assign(text.substr(0, len));
    t.resize(len, ' ');
    return true;
  }
  if (quoted) return false;
  if (auto p = std::get_if<std::int32_t*>(&item)) {
    if (text.empty()) return false;
    const char* b = text.data();
    const char* e = b + text.size();
    if (*b == '+') ++b;
    std::int32_t v = 0;
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || b == e) return false;
    **p = v;
    return true;
  }
  // Reals: the same number forms as a fixed field, without an implied point.
  for (char c : text)
    if (is_blank(c)) return false;
  bool has_digit = false;
  for (char c : text)
    if (c >= '0' && c <= '9') has_digit = true;
  if (!has_digit) return false;
  if (auto p = std::get_if<double*>(&item)) {
    double v;
    if (!parse_real(text, 0, v)) return false;
    **p = v;
    return true;
  }
  if (auto p = std::get_if<float*>(&item)) {
    float v;
    if (!parse_real(text, 0, v)) return false;
    **p = v;
    return true;
  }
  return false;
}

ReadStatus free_read(LineSource& src, std::span<const FreeItem> items) {
  std::string_view line;
  if (!src.next(line)) return ReadStatus::EndOfFile;
  std::size_t pos = 0;
  std::size_t next = 0;
  std::string value;       // the current value's text (unquoted, quotes resolved)
  bool value_quoted = false;
  bool value_null = false;
  long repeat_left = 0;    // further copies of `value` still to hand out
  bool after_comma = true; // a comma now would be a null value (so does one at the start of a read)

  while (next < items.size()) {
    if (repeat_left > 0) {
      --repeat_left;
      if (!value_null && !store(items[next], value, value_quoted)) return ReadStatus::Error;
      ++next;
      continue;
    }
    // Skip blanks; a line end continues the read on the next line.
    while (pos < line.size() && is_blank(line[pos])) ++pos;
    if (pos >= line.size()) {
      if (!src.next(line)) return ReadStatus::EndOfFile;
      pos = 0;
      // A line end is no separator of its own: a comma before it and one
      // after it still enclose a null value.
      continue;
    }
    char c = line[pos];
    if (c == '/') return ReadStatus::Ok;  // the rest of the items keep their values
    if (c == ',') {
      ++pos;
      if (after_comma) ++next;  // a null value: the item keeps its value
      after_comma = true;
      continue;
    }
    // A value, perhaps r*value.
    long repeat = 1;
    std::size_t start = pos;
    std::size_t k = pos;
    while (k < line.size() && line[k] >= '0' && line[k] <= '9') ++k;
    if (k > start && k < line.size() && line[k] == '*') {
      auto r = std::from_chars(line.data() + start, line.data() + k, repeat);
      if (r.ec != std::errc() || repeat <= 0) return ReadStatus::Error;
      pos = k + 1;
    }
    value.clear();
    value_quoted = false;
    value_null = false;
    if (pos < line.size() && (line[pos] == '\'' || line[pos] == '"') &&
        std::holds_alternative<std::string*>(items[next])) {
      char q = line[pos++];
      value_quoted = true;
      for (;;) {
        if (pos >= line.size()) break;  // a quote left open at the line end closes there
        if (line[pos] == q) {
          if (pos + 1 < line.size() && line[pos + 1] == q) {
            value.push_back(q);
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        value.push_back(line[pos++]);
      }
      // Anything glued to the closing quote belongs to no value: skip to a separator.
      while (pos < line.size() && !is_blank(line[pos]) && line[pos] != ',' && line[pos] != '/') ++pos;
    } else {
      std::size_t b = pos;
      while (pos < line.size() && !is_blank(line[pos]) && line[pos] != ',' && line[pos] != '/') ++pos;
      value.assign(line.substr(b, pos - b));
      if (value.empty()) value_null = true;  // r* followed by a separator: r null values
    }
    // The separator after the value: blanks, at most one comma.
    while (pos < line.size() && is_blank(line[pos])) ++pos;
    after_comma = false;
    if (pos < line.size() && line[pos] == ',') {
      ++pos;
      after_comma = true;
    }
    repeat_left = repeat - 1;
    if (!value_null && !store(items[next], value, value_quoted)) return ReadStatus::Error;
    ++next;
  }
  return ReadStatus::Ok;
}

}  // namespace

ReadStatus FreeReader::read(std::span<const FreeItem> items) {
  ReaderSource src(in_);
  return free_read(src, items);
}

ReadStatus read_free(std::string_view text, std::span<const FreeItem> items) {
  TextSource src(text);
  return free_read(src, items);
}

}  // namespace tessaro::textio
