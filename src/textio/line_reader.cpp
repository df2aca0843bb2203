// The line source: large chunks of the stream into a buffer of its own, lines
// handed out as views into it (cube files of 100 MB go through here).
#include <cstring>
#include <vector>

#include "textio/textio.hpp"

namespace tessaro::textio {

struct LineReader::Buffer {
  static constexpr std::size_t kChunk = std::size_t{1} << 20;
  std::vector<char> data = std::vector<char>(kChunk);
  std::size_t begin = 0;  // first unread byte
  std::size_t end = 0;    // one past the last byte read from the stream
  bool eof = false;
};

LineReader::LineReader(std::istream& in, std::string file_name)
    : in_(in), file_name_(std::move(file_name)), buf_(std::make_unique<Buffer>()) {}

LineReader::~LineReader() = default;

bool LineReader::next(std::string_view& line) {
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
    if (b.end == b.data.size()) b.data.resize(b.data.size() * 2);
    in_.read(b.data.data() + b.end, static_cast<std::streamsize>(b.data.size() - b.end));
    std::streamsize got = in_.gcount();
    b.end += static_cast<std::size_t>(got);
    if (got == 0) b.eof = true;
  }
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

}  // namespace tessaro::textio
