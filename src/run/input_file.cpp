#include "run/input_file.hpp"

#include <filesystem>
#include <system_error>

#include "run/run.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {

// A directory opens as a stream on this system but holds no lines: it is a
// file that cannot be opened as well.
std::istream& open_or_stop(Run& run, const std::string& name_field, std::ifstream& stream) {
  const std::string name = trimmed(name_field);
  std::error_code ec;
  if (!std::filesystem::is_directory(name, ec)) stream.open(name, std::ios::in | std::ios::binary);
  if (!stream.is_open() || !stream) stop_cannot_open(run, name_field);
  return stream;
}

}  // namespace

void stop_cannot_open(Run& run, std::string_view shown_name) {
  std::string line(shown_name);
  line += kCannotBeOpened;
  run.report_line(line);
  end_run(1);
}

InputFile::InputFile(Run& run, const std::string& name_field)
    : reader_(open_or_stop(run, name_field, stream_), trimmed(name_field),
              textio::regular_file_size(trimmed(name_field))) {}

}  // namespace tessaro
