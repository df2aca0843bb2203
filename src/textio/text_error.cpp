#include "textio/text_error.hpp"

namespace tessaro::textio {

namespace {
std::string describe(TextIoError::Kind kind, const std::string& file, long line) {
  std::string s = TextIoError::kind_text(kind);
  s += ": file ";
  s += file;
  s += ", line ";
  s += std::to_string(line);
  return s;
}
}  // namespace

TextIoError::TextIoError(Kind kind, std::string file, long line)
    : std::runtime_error(describe(kind, file, line)), kind_(kind), file_(std::move(file)), line_(line) {}

const char* TextIoError::kind_text(Kind kind) {
  return kind == Kind::BadValue ? "Bad value during read" : "End of file";
}

}  // namespace tessaro::textio
