#include "analysis/plot.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "run/threads.hpp"
#include "textio/textio.hpp"

namespace tessaro {

namespace {

// Powers of ten 10^n, n = -kPowerRange .. kPowerRange, each the double nearest
// the exact power (parsed by from_chars, so correctly rounded).
constexpr int kPowerRange = 300;

const double* powers_of_ten() {
  static const std::vector<double> table = [] {
    std::vector<double> t(2 * kPowerRange + 1);
    for (int n = -kPowerRange; n <= kPowerRange; ++n) {
      std::string text = "1e" + std::to_string(n);
      std::from_chars(text.data(), text.data() + text.size(), t[static_cast<std::size_t>(n + kPowerRange)]);
    }
    return t;
  }();
  return table.data() + kPowerRange;
}

// floor(x) as an int, for |x| well inside the int range, without a call.
inline int floor_to_int(double x) {
  const int t = static_cast<int>(x);
  return static_cast<double>(t) > x ? t - 1 : t;
}

// The three significant digits of |value| (100..999) and its exponent E in
// the form 0.ddd times ten to the E, when a quick scaling decides them beyond
// doubt. The scaled value carries a relative error of a few units in the last
// place; whenever it lies within 1e-9 of a rounding boundary (or of a decade
// boundary), the answer is left to std::to_chars.
bool quick_digits(double magnitude, int& digits, int& exponent) {
  if (!(magnitude > 1e-290 && magnitude < 1e290)) return false;
  // The exponent frexp gives (magnitude = m 2^e with m in [0.5, 1)), read from
  // the bits: every magnitude here is a normal number.
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int binary_exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1022;
  // floor(log10(magnitude)) is this estimate or one more.
  int k = floor_to_int((binary_exponent - 1) * 0.30102999566398120);
  const double* p10 = powers_of_ten();
  double scaled = 0.0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int n = k - 2;
    scaled = n <= 0 ? magnitude * p10[-n] : magnitude / p10[n];
    if (scaled < 1000.0) break;
    ++k;
  }
  if (!(scaled >= 100.0 && scaled < 1000.0)) return false;
  if (scaled < 100.0 + 1e-7 || scaled > 1000.0 - 1e-7) return false;
  // Truncation is the floor of a positive value.
  const double whole = static_cast<double>(static_cast<int>(scaled));
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < 1e-7) return false;
  int r = static_cast<int>(whole) + (fraction > 0.5 ? 1 : 0);
  exponent = k + 1;
  if (r == 1000) {
    r = 100;
    ++exponent;
  }
  digits = r;
  return true;
}

void lay_out_e11_3(char* out, bool negative, char d1, char d2, char d3, int exponent) {
  out[0] = ' ';
  out[1] = negative ? '-' : ' ';
  out[2] = '0';
  out[3] = '.';
  out[4] = d1;
  out[5] = d2;
  out[6] = d3;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 100) {
    out[7] = 'E';
    out[8] = exponent < 0 ? '-' : '+';
    out[9] = static_cast<char>('0' + magnitude / 10);
    out[10] = static_cast<char>('0' + magnitude % 10);
  } else {
    // A three-digit exponent takes the place of the letter E.
    out[7] = exponent < 0 ? '-' : '+';
    out[8] = static_cast<char>('0' + magnitude / 100);
    out[9] = static_cast<char>('0' + magnitude / 10 % 10);
    out[10] = static_cast<char>('0' + magnitude % 10);
  }
}

}  // namespace

void put_E11_3(char* out, double value) {
  if (!std::isfinite(value)) {
    // NaN and infinities are rare: the text layer lays them out.
    std::string field;
    textio::put_E(field, value, 11, 3);
    std::memcpy(out, field.data(), 11);
    return;
  }
  if (value == 0.0) {
    std::memcpy(out, std::signbit(value) ? " -0.000E+00" : "  0.000E+00", 11);
    return;
  }
  int digits = 0, exponent = 0;
  if (quick_digits(std::fabs(value), digits, exponent)) {
    lay_out_e11_3(out, value < 0.0, static_cast<char>('0' + digits / 100), static_cast<char>('0' + digits / 10 % 10),
                  static_cast<char>('0' + digits % 10), exponent);
    return;
  }
  // d.dde+xx from to_chars is the fraction 0.ddd times ten to the power xx+1,
  // correctly rounded at three significant digits.
  char buf[32];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 2);
  const char* p = buf;
  const bool negative = *p == '-';
  if (negative) ++p;
  const char d1 = p[0], d2 = p[2], d3 = p[3];
  p += 5;  // past "d.dde"
  const bool exp_negative = *p == '-';
  ++p;
  exponent = 0;
  for (; p < result.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  if (exp_negative) exponent = -exponent;
  lay_out_e11_3(out, negative, d1, d2, d3, exponent + 1);
}

void plot(std::span<const double> rdg_array, std::span<const double> values, std::size_t n1, std::size_t n2,
          std::size_t n3, std::ostream& destination) {
  const std::size_t count = std::min({n1 * n2 * n3, rdg_array.size(), values.size()});
  constexpr std::size_t kLine = 5 + 11 + 10 + 11 + 1;
  constexpr std::size_t kLinesPerChunk = 1 << 15;
  const std::size_t chunks = (count + kLinesPerChunk - 1) / kLinesPerChunk;
  const std::size_t threads = std::max<std::size_t>(1, std::min<std::size_t>(thread_count(), chunks));
  // One chunk of lines per thread, allocated here: an allocation that fails
  // inside the parallel loop could not end the run in order.
  std::vector<std::vector<char>> buffers(threads, std::vector<char>(kLine * kLinesPerChunk));
  for (std::vector<char>& chunk : buffers) {
    // The blanks of 5X and 10X and the line ends never change: lay them once.
    for (std::size_t line = 0; line < kLinesPerChunk; ++line) {
      char* p = chunk.data() + line * kLine;
      std::memset(p, ' ', kLine - 1);
      p[kLine - 1] = '\n';
    }
  }
  // Each chunk is laid out by one thread in its own buffer and written in
  // the order of the chunks, while the other threads lay out the next ones.
  TESSARO_OMP(omp parallel num_threads(static_cast<int>(threads)))
  {
    std::vector<char>& chunk = buffers[static_cast<std::size_t>(thread_index())];
    TESSARO_OMP(omp for schedule(static, 1) ordered)
    for (std::size_t c = 0; c < chunks; ++c) {
      const std::size_t first = c * kLinesPerChunk;
      const std::size_t lines = std::min(kLinesPerChunk, count - first);
      // Many points repeat their neighbour's value (the 1.0E10 marker, zeros
      // at the border): format a value once while it repeats.
      double last_rdg = rdg_array[first], last_value = values[first];
      char rdg_text[11], value_text[11];
      put_E11_3(rdg_text, last_rdg);
      put_E11_3(value_text, last_value);
      for (std::size_t line = 0; line < lines; ++line) {
        const double rdg = rdg_array[first + line];
        const double value = values[first + line];
        if (std::memcmp(&rdg, &last_rdg, sizeof rdg) != 0) {
          last_rdg = rdg;
          put_E11_3(rdg_text, rdg);
        }
        if (std::memcmp(&value, &last_value, sizeof value) != 0) {
          last_value = value;
          put_E11_3(value_text, value);
        }
        char* p = chunk.data() + line * kLine;
        std::memcpy(p + 5, rdg_text, 11);
        std::memcpy(p + 26, value_text, 11);
      }
      TESSARO_OMP(omp ordered)
      destination.write(chunk.data(), static_cast<std::streamsize>(lines * kLine));
    }
  }
}

}  // namespace tessaro
