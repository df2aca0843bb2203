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
    // Move the unfinished line to the front, grow when it fills the buffer,
    // and read the next chunk behind it.
    std::size_t pending = b.end - b.begin;
    if (b.begin > 0) {
      if (pending > 0) std::memmove(b.data.data(), b.data.data() + b.begin, pending);
      b.begin = 0;
      b.end = pending;
    }
    scanned = pending > 0 && b.data[pending - 1] == '\r' ? pending - 1 : pending;
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
