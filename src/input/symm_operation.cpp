#include "input/symm_operation.hpp"

#include <array>

namespace tessaro {

namespace {

using textio::ReadStatus;

bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }

int axis_of(char ch) {
  switch (ch) {
    case 'x': case 'X': return 0;
    case 'y': case 'Y': return 1;
    case 'z': case 'Z': return 2;
    default: return -1;
  }
}

// The text addressed by 1-based positions, as the operation is walked.
class OperationText {
 public:
  explicit OperationText(std::string_view text) : text_(text) {
    std::size_t last = text.find_last_not_of(' ');
    length_ = last == std::string_view::npos ? 0 : last + 1;
  }
  std::size_t length() const { return length_; }  // L: without trailing blanks
  char at(std::size_t k) const { return text_[k - 1]; }
  // Positions a .. b; empty when b < a.
  std::string_view slice(std::size_t a, std::size_t b) const {
    return b < a ? std::string_view() : text_.substr(a - 1, b - a + 1);
  }

 private:
  std::string_view text_;
  std::size_t length_ = 0;
};

ReadStatus read_real(std::string_view text, double& value) {
  const std::array<textio::FreeItem, 1> items{&value};
  return textio::read_free(text, items);
}

ReadStatus read_integer(std::string_view text, std::int32_t& value) {
  const std::array<textio::FreeItem, 1> items{&value};
  return textio::read_free(text, items);
}

// First position after `from` that is no digit, or length + 1 when the digits
// reach the end of the text.
std::size_t skip_digits(const OperationText& s, std::size_t from) {
  std::size_t m = from;
  while (m <= s.length() && is_digit(s.at(m))) ++m;
  return m;
}

// The translation whose first digit stands at k, in the component that ends
// at e. A number ends at a sign or a comma, runs on over a decimal point and
// the digits after it, or is a fraction of two integers; any other character
// does not end it.
// `first` is where the number's text starts: k, or the decimal point just
// before it (.5).
ReadStatus read_translation(const OperationText& s, std::size_t first, std::size_t k, std::size_t e,
                            bool third_component, double& value) {
  const std::size_t end_of_text = s.length();
  for (std::size_t q = k + 1; q <= e; ++q) {
    const char ch = s.at(q);
    if (is_digit(ch)) continue;
    if (ch == '+' || ch == '-' || ch == ',') return read_real(s.slice(first, q - 1), value);
    if (ch == '.') {
      const std::size_t m2 = skip_digits(s, q + 1);
      return read_real(m2 > end_of_text ? s.slice(first, e) : s.slice(first, m2 - 1), value);
    }
    if (ch == '/') {
      std::int32_t numerator = 0, denominator = 0;
      ReadStatus status = read_integer(s.slice(k, q - 1), numerator);
      if (status != ReadStatus::Ok) return status;
      const std::size_t m2 = skip_digits(s, q + 1);
      // A slash without digits after it (x+1/) is a bad value, not the end of
      // the line.
      if (m2 == q + 1) return ReadStatus::Error;
      status = read_integer(m2 > end_of_text ? s.slice(q + 1, e) : s.slice(q + 1, m2 - 1), denominator);
      if (status != ReadStatus::Ok) return status;
      // A zero denominator would put the atoms at infinity: refused as a bad value.
      if (denominator == 0) return ReadStatus::Error;
      // Both integers are taken to single precision and divided there, so
      // 1/3 is kept as 0.3333333432674408.
      const float quotient = static_cast<float>(numerator) / static_cast<float>(denominator);
      value = static_cast<double>(quotient);
      return ReadStatus::Ok;
    }
    if (third_component && q == end_of_text) return read_real(s.slice(first, end_of_text), value);
  }
  // The digits ran to the end of the component without an ending character
  // (x,y,z+1): the number is read all the same, like x+1 in the first
  // component, where the comma ends it.
  return read_real(s.slice(first, e), value);
}

}  // namespace

ReadStatus parse_symm_operation(std::string_view text, SymmOperation& op) {
  op = SymmOperation{};
  const OperationText s(text);
  const std::size_t L = s.length();
  std::size_t p = 1;  // start of the component
  for (int j = 0; j < 3; ++j) {
    if (p > L) continue;  // empty component: coefficients and translation stay 0
    // The component's last position e includes its closing comma.
    std::size_t e = L;
    if (p == L || s.at(p) == ',') {
      e = p;
    } else {
      for (std::size_t q = p + 1; q < L; ++q) {
        if (s.at(q) == ',') {
          e = q;
          break;
        }
      }
    }
    const std::size_t start = p;
    p = e + 1;
    bool translation_taken = false;
    for (std::size_t k = start; k <= e; ++k) {
      const char ch = s.at(k);
      const int c = axis_of(ch);
      if (c >= 0) {
        // Only the component start, '+', '-' or a blank before the letter sets
        // its coefficient; after any other character (a colon, a digit) the
        // letter is passed over.
        if (k == start || s.at(k - 1) == '+' || s.at(k - 1) == ' ') {
          op.coefficient[j][c] = 1;
        } else if (s.at(k - 1) == '-') {
          op.coefficient[j][c] = -1;
        }
      } else if (is_digit(ch) && !translation_taken) {
        double value = 0.0;
        // A decimal point directly before the first digit belongs to the
        // number: x+.5 is a translation of 0.5, not 5.
        const std::size_t first = (k > start && s.at(k - 1) == '.') ? k - 1 : k;
        const ReadStatus status = read_translation(s, first, k, e, j == 2, value);
        if (status != ReadStatus::Ok) return status;
        if (first > 1 && s.at(first - 1) == '-') value = -value;
        op.translation[j] = value;
        translation_taken = true;
      }
    }
  }
  return ReadStatus::Ok;
}

}  // namespace tessaro
