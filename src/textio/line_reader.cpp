// The line source: large chunks of the stream into a buffer of its own, lines
// handed out as views into it (cube files of 100 MB go through here).
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "textio/textio.hpp"

namespace tessaro::textio {

struct LineReader::Buffer {
  // Room for the longest line and a CR LF: an unfinished line that fills the
  // buffer is too long. Blocks of lines parsed at once are as long as the
  // buffer; the bytes are left as they are until the stream fills them.
  static constexpr std::size_t kChunk = 2 * kMaxLineBytes;
  std::unique_ptr<char[]> bytes{new char[kChunk]};
  char* data() const { return bytes.get(); }
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
    const char* base = b.data();
    const char* from = base + scanned;
    const char* nl = static_cast<const char*>(std::memchr(from, '\n', b.end - scanned));
    // A line ends at LF, CR LF or a lone CR. A CR as the last byte read waits
    // for the next byte, which may be its LF.
    const std::size_t before_nl = static_cast<std::size_t>((nl != nullptr ? nl : base + b.end) - from);
    const char* cr = static_cast<const char*>(std::memchr(from, '\r', before_nl));
    if (cr != nullptr && cr + 1 == base + b.end && !b.eof) cr = nullptr;
    const char* end = cr != nullptr ? cr : nl;
    if (end != nullptr) {
      const std::size_t at = static_cast<std::size_t>(end - base);
      line = std::string_view(base + b.begin, at - b.begin);
      b.begin = at + (cr != nullptr && cr + 1 == nl ? 2 : 1);
      ++line_number_;
      return true;
    }
    if (b.eof) {
      if (b.begin == b.end) return false;
      // A last line without its line end.
      line = std::string_view(base + b.begin, b.end - b.begin);
      b.begin = b.end;
      ++line_number_;
      return true;
    }
    const std::size_t pending = b.end - b.begin;
    scanned = pending > 0 && b.data()[b.end - 1] == '\r' ? pending - 1 : pending;
    refill();
  }
}

// Moves the unread bytes to the front and reads the next chunk behind them;
// a buffer full of one unfinished line is a line too long.
void LineReader::refill() {
  Buffer& b = *buf_;
  const std::size_t pending = b.end - b.begin;
  if (b.begin > 0) {
    if (pending > 0) std::memmove(b.data(), b.data() + b.begin, pending);
    b.begin = 0;
    b.end = pending;
  }
  if (b.end == Buffer::kChunk) {
    ++line_number_;  // the line being read
    fail_bad_value();
  }
  in_.read(b.data() + b.end, static_cast<std::streamsize>(Buffer::kChunk - b.end));
  std::streamsize got = in_.gcount();
  b.end += static_cast<std::size_t>(got);
  bytes_read_ += static_cast<std::uint64_t>(got);
  if (got == 0) b.eof = true;
}

std::string_view LineReader::next_block() {
  Buffer& b = *buf_;
  constexpr std::size_t kHalf = Buffer::kChunk / 2;
  for (;;) {
    // Blocks of at most half the buffer, so that the other half can be read
    // ahead while a block is parsed: the unread bytes go to the front once
    // the first half is read, and the buffer is topped up when less than
    // half of it is unread (when nothing was read ahead).
    if (!b.eof && b.begin >= kHalf) {
      const std::size_t pending = b.end - b.begin;
      std::memmove(b.data(), b.data() + b.begin, pending);
      b.begin = 0;
      b.end = pending;
    }
    if (!b.eof && b.end - b.begin < kHalf) refill();
    const char* base = b.data();
    if (b.eof && b.end - b.begin <= kHalf) return std::string_view(base + b.begin, b.end - b.begin);
    // The block ends after the last line end within half a buffer (or, for
    // a longer line, in the buffer): an LF, or a CR that is not the last
    // byte read (which waits for its possible LF).
    for (const std::size_t limit : {std::min(b.end, b.begin + kHalf), b.end}) {
      std::size_t at = limit;
      while (at > b.begin) {
        const char c = base[at - 1];
        if (c == '\n' || (c == '\r' && at < b.end)) break;
        --at;
      }
      if (at > b.begin) return std::string_view(base + b.begin, at - b.begin);
    }
    if (b.eof) return std::string_view(base + b.begin, b.end - b.begin);
    refill();  // no whole line: read on (a full buffer is a line too long)
  }
}

void LineReader::read_ahead() {
  Buffer& b = *buf_;
  if (b.eof || b.end == Buffer::kChunk) return;
  in_.read(b.data() + b.end, static_cast<std::streamsize>(Buffer::kChunk - b.end));
  const std::streamsize got = in_.gcount();
  b.end += static_cast<std::size_t>(got);
  bytes_read_ += static_cast<std::uint64_t>(got);
  if (got == 0) b.eof = true;
}

void LineReader::consume_block(std::size_t bytes, long lines) {
  buf_->begin += bytes;
  line_number_ += lines;
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
