#pragma once
// A result file (cube, grd, plot, picture) written under a temporary name in
// its own folder and renamed into place only when it is complete and every
// write succeeded. A run that stops half-way (an error in a later step, a full
// disk, a kill) therefore never leaves a truncated file under a result's name;
// files completed before the stop stay.
#include <fstream>
#include <string>
#include <vector>

namespace tessaro {

class Run;

class OutputFile {
 public:
  // Creates the temporary file. When it cannot be created the report gets
  // "<name> file cannot be opened, program stop" and the run ends (status 1),
  // as for a file the run cannot read.
  OutputFile(Run& run, std::string name);
  ~OutputFile();  // removes the temporary file unless commit() succeeded
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return stream_; }
  const std::string& name() const { return name_; }

  // Flushes and closes the file and renames it to its final name. A failed
  // write ends the run with one message naming the file and the reason
  // (report and the run's error stream), status 1.
  void commit();

 private:
  [[noreturn]] void fail(int error_number);
  Run& run_;
  std::string name_;
  std::string temp_name_;
  std::vector<char> buffer_;
  std::ofstream stream_;
  bool committed_ = false;
};

// The message of a failed write, shared with the report's own check.
std::string write_failure_message(const std::string& file_name, int error_number);

}  // namespace tessaro
