#pragma once
// Everything one run shares: the settings and the report. Section drivers
// take a Run& and read their settings from it; they open their own files by
// name (relative to the working directory).
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "run/input_variables.hpp"

namespace tessaro {

class Run {
 public:
  explicit Run(std::ostream& console = std::cout, std::ostream& err = std::cerr) : console_(&console), err_(&err) {}

  InputVariables input_variables;

  // Names the report file. What is written to the report is held in memory
  // until create_report(), so that the whole template can be read and its
  // files checked before anything is created or replaced.
  void name_report(const std::string& file_name);
  // Creates (or replaces) the named report file and writes the text held for
  // it. Returns false when it cannot be created.
  bool create_report();
  // Both at once.
  bool open_report(const std::string& file_name) {
    name_report(file_name);
    return create_report();
  }
  bool report_named() const { return !report_file_name_.empty(); }
  const std::string& report_file_name() const { return report_file_name_; }
  // Writes to the report (nothing happens before it is named).
  void report_write(std::string_view text);                      // exactly these characters
  void report_line(std::string_view text);                       // a free-form message line: " " + text
  void console_line(std::string_view text);                      // the same on the console
  // Flushes the report and the console. A report that could not be written
  // (a full disk) has been named on standard error; flush() then returns
  // false so that the run does not end with status 0.
  bool flush();

  std::ostream& err() { return *err_; }
  // Progress lines are shown only on a terminal, and only on the process's
  // own standard error (never into a stream a caller captures).
  bool show_progress() const;

 private:
  // A write to the report failed: name the file and the reason on standard
  // error (once; later writes to the report are dropped).
  void name_report_failure(int error_number);
  // The same, then the run ends (status 1).
  [[noreturn]] void report_failed(int error_number);
  std::ostream* console_;
  std::ostream* err_;
  bool report_failed_ = false;
  std::unique_ptr<std::ofstream> report_;
  std::string report_file_name_;
  std::string held_;  // the report's text before the file is created
};

}  // namespace tessaro
