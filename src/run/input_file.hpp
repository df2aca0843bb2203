#pragma once
// A file a section reads, opened by the name its template field holds. Every
// such file must exist; one that cannot be opened ends the run with one report
// line, the same for every section.
#include <fstream>
#include <string>
#include <string_view>

#include "textio/textio.hpp"

namespace tessaro {

class Run;

// Follows the name of a file that cannot be opened (or created) in the report.
inline constexpr std::string_view kCannotBeOpened = " file cannot be opened, program stop";

// Writes "<shown_name> file cannot be opened, program stop" to the report and
// ends the run with status 1.
[[noreturn]] void stop_cannot_open(Run& run, std::string_view shown_name);

class InputFile {
 public:
  // Opens the file named by the template field `name_field` (trailing blanks
  // removed). A file that is missing, unreadable or a directory is one that
  // cannot be opened: the report line quotes the whole field, trailing blanks
  // included.
  InputFile(Run& run, const std::string& name_field);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Lines of the file, named for text-layer messages without trailing blanks;
  // the size of a regular file bounds the counts its header may announce.
  textio::LineReader& reader() { return reader_; }

 private:
  std::ifstream stream_;
  textio::LineReader reader_;
};

}  // namespace tessaro
