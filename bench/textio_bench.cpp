// Throughput of the text layer's hot paths: put_E / put_ES / parse_real over
// millions of values, and the LineReader over a 100 MB text in memory.
// Build with -DTESSARO_BUILD_BENCH=ON and run: ./textio_bench
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "textio/textio.hpp"

namespace tx = tessaro::textio;

namespace {
double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
}  // namespace

int main() {
  const std::size_t n = 5'000'000;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mant(-1.0, 1.0);
  std::uniform_int_distribution<int> ex(-30, 30);
  std::vector<double> values(n);
  for (double& v : values) v = mant(rng) * std::pow(10.0, ex(rng));

  std::string out;
  out.reserve(n * 14);
  auto t0 = std::chrono::steady_clock::now();
  for (double v : values) tx::put_E(out, v, 13, 5);
  double te = seconds_since(t0);
  std::printf("put_E  E13.5   : %6.1f M values/s\n", n / te / 1e6);

  std::string out2;
  out2.reserve(n * 14);
  t0 = std::chrono::steady_clock::now();
  for (double v : values) tx::put_ES(out2, v, 13, 5);
  double tes = seconds_since(t0);
  std::printf("put_ES ES13.5  : %6.1f M values/s\n", n / tes / 1e6);

  t0 = std::chrono::steady_clock::now();
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double v;
    tx::parse_real(std::string_view(out).substr(i * 13, 13), 5, v);
    sum += v;
  }
  double tp = seconds_since(t0);
  std::printf("parse_real E13.5: %6.1f M values/s (checksum %g)\n", n / tp / 1e6, sum);

  // A cube-like text: 6 values to a line, about 100 MB.
  std::string text;
  text.reserve(n * 14 + n / 6 + 8);
  for (std::size_t i = 0; i < n; ++i) {
    text.append(out, i * 13, 13);
    if (i % 6 == 5) text.push_back('\n');
  }
  text.push_back('\n');
  std::istringstream in(text);
  tx::LineReader reader(in, "bench");
  t0 = std::chrono::steady_clock::now();
  std::string_view line;
  std::size_t bytes = 0;
  while (reader.next(line)) bytes += line.size() + 1;
  double tl = seconds_since(t0);
  std::printf("LineReader      : %6.0f MB/s over %zu MB\n", bytes / tl / 1e6, bytes / 1000000);

  // The whole layout engine on the same text, for comparison.
  std::istringstream in2(text);
  tx::LineReader reader2(in2, "bench");
  tx::Layout layout = tx::Layout::parse("6E13.5");
  std::vector<double> grid(n);
  std::vector<tx::InItem> items;
  items.reserve(n);
  for (double& g : grid) items.push_back(&g);
  t0 = std::chrono::steady_clock::now();
  tx::read_record(reader2, layout, items);
  double tr = seconds_since(t0);
  std::printf("read_record 6E13.5: %6.1f M values/s\n", n / tr / 1e6);
  return 0;
}
