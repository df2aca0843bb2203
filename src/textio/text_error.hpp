#pragma once
// Failures of the text layer: a field that is not a number, or the end of a
// file before a read got all its items. main() prints them on standard error
// as "Bad value during read" / "End of file" with the file name and line
// number, and the process exits with status 2.
#include <stdexcept>
#include <string>

namespace tessaro::textio {

class TextIoError : public std::runtime_error {
 public:
  enum class Kind { BadValue, EndOfFile };

  TextIoError(Kind kind, std::string file, long line);

  Kind kind() const { return kind_; }
  const std::string& file() const { return file_; }
  long line() const { return line_; }

  // "Bad value during read" or "End of file".
  static const char* kind_text(Kind kind);

 private:
  Kind kind_;
  std::string file_;
  long line_;
};

}  // namespace tessaro::textio
