#pragma once
// A result file (cube, grd, plot, picture) written under a temporary name in
// its own folder and renamed into place only when it is complete and every
// write succeeded. A run that stops half-way (an error in a later step, a full
// disk, a kill) therefore never leaves a truncated file under a result's name;
// files completed before the stop stay.
//
// The temporary file is created new (never an existing file, never through a
// symbolic link planted at its name), under a name no other user can guess,
// with the permissions the umask leaves; an interrupted run removes it (see
// run/interruption.hpp).
#include <memory>
#include <ostream>
#include <string>

namespace tessaro {

class Run;

class OutputFile {
 public:
  // Creates the temporary file. When it cannot be created, or when a file of
  // that name exists and is write-protected, the report gets "<name> file
  // cannot be opened, program stop" and the run ends (status 1), as for a
  // file the run cannot read.
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
  class FileBuffer;
  [[noreturn]] void fail(int error_number);
  // Closes and removes the temporary file.
  void discard();
  Run& run_;
  std::string name_;
  std::string temp_name_;
  std::unique_ptr<FileBuffer> buffer_;
  std::ostream stream_;
  int slot_ = -1;  // in the table of temporary files an interruption removes
  bool done_ = false;  // renamed into place, or removed
};

// The message of a failed write, shared with the report's own check.
std::string write_failure_message(const std::string& file_name, int error_number);

}  // namespace tessaro
