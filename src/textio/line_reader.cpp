// The line source: large chunks of the stream into a buffer of its own, lines
// handed out as views into it (cube files of 100 MB go through here).
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "textio/textio.hpp"

namespace tessaro::textio {

struct LineReader::Buffer {
  // Room for the longest line and a CR LF: an unfinished line that fills the
  // buffer is too long.
  static constexpr std::size_t kChunk = kMaxLineBytes + 2;
  std::vector<char> data = std::vector<char>(kChunk);
  std::size_t begin = 0;  // first unread byte
  std::size_t end = 0;    // one past the last byte read from the stream
  bool eof = false;
};

LineReader::LineReader(std::istream& in, std::string file_name, std::optional<std::uint64_t> file_size)
    : in_(in), file_name_(std::move(file_name)), buf_(std::make_unique<Buffer>()), file_size_(file_size) {}

LineReader::~LineReader() = default;

bool LineReader::next(std::string_view& line) {
  if (!next_line(line)) return false;
  if (line.size() > kMaxLineBytes) fail_bad_value();
  return true;
}

bool LineReader::next_line(std::string_view& line) {
  Buffer& b = *buf_;
  std::size_t scanned = b.begin;  // bytes before this hold no line end
  for (;;) {
    const char* base = b.data.data();
    const void* nl = scanned < b.end ? std::memchr(base + scanned, '\n', b.end - scanned) : nullptr;
    if (nl != nullptr) {
      std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - base);
      std::size_t len = at - b.begin;
      if (len > 0 && base[at - 1] == '\r') --len;  // CR LF
      line = std::string_view(base + b.begin, len);
      b.begin = at + 1;
      ++line_number_;
      return true;
    }
    if (b.eof) {
      if (b.begin == b.end) return false;
      // A last line without its line end.
      std::size_t len = b.end - b.begin;
      if (base[b.end - 1] == '\r') --len;
      line = std::string_view(base + b.begin, len);
      b.begin = b.end;
      ++line_number_;
      return true;
    }
    // Move the unfinished line to the front, grow when it fills the buffer,
    // and read the next chunk behind it.
    std::size_t pending = b.end - b.begin;
    if (b.begin > 0) {
      if (pending > 0) std::memmove(b.data.data(), b.data.data() + b.begin, pending);
      b.begin = 0;
      b.end = pending;
    }
    scanned = pending;
    if (b.end == b.data.size()) {
      ++line_number_;  // the line being read
      fail_bad_value();
    }
    in_.read(b.data.data() + b.end, static_cast<std::streamsize>(b.data.size() - b.end));
    std::streamsize got = in_.gcount();
    b.end += static_cast<std::size_t>(got);
    bytes_read_ += static_cast<std::uint64_t>(got);
    if (got == 0) b.eof = true;
  }
}

void LineReader::require_lines(std::uint64_t lines) {
  if (!file_size_) return;
  const Buffer& b = *buf_;
  const std::uint64_t unread = *file_size_ > bytes_read_ ? *file_size_ - bytes_read_ : 0;
  if (lines <= saturating_sum(b.end - b.begin, unread)) return;
  std::string_view line;
  while (next(line)) {
  }
  fail_end_of_file();
}

std::string_view LineReader::require() {
  std::string_view line;
  if (!next(line)) fail_end_of_file();
  return line;
}

void LineReader::fail_bad_value() const {
  throw TextIoError(TextIoError::Kind::BadValue, file_name_, line_number_);
}

void LineReader::fail_end_of_file() const {
  throw TextIoError(TextIoError::Kind::EndOfFile, file_name_, line_number_ + 1);
}

std::optional<std::uint64_t> regular_file_size(const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(name, ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

std::uint64_t saturating_product(std::uint64_t a, std::uint64_t b) {
  std::uint64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<std::uint64_t>::max() : product;
}

std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::uint64_t>::max() : sum;
}

}  // namespace tessaro::textio
