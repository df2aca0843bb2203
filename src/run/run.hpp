#pragma once
// Everything one run shares: the settings and the report. Section drivers
// take a Run& and read their settings from it; they open their own files by
// name (relative to the working directory).
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  bool report_created() const { return report_ != nullptr; }
  // The report's text while it is held (a run checked but never started).
  const std::string& held_report() const { return held_; }
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

  // Error stops on standard error. A stop writes its message to the report
  // or the console; the lines written there since the last banner or summary
  // are the stop's message, and tell_stop() repeats them on standard error,
  // naming the report file, so that every stop is seen where the program was
  // started. A stop that has said everything on standard error itself calls
  // stop_told(); stop_detail() adds a line for standard error alone (which
  // keyword or field of the template was at fault).
  void stop_detail(std::string_view text) { details_.emplace_back(text); }
  void stop_told() { stop_told_ = true; }
  const std::vector<std::string>& stop_details() const { return details_; }
  // `with_message`: false when the message is on standard error already (a
  // failure of the text layer): the details alone follow it.
  void tell_stop(bool with_message = true);
  // Progress lines are shown only on a terminal, and only on the process's
  // own standard error (never into a stream a caller captures).
  bool show_progress() const;

 private:
  // A write to the report failed: name the file and the reason on standard
  // error (once; later writes to the report are dropped).
  void name_report_failure(int error_number);
  // The same, then the run ends (status 1).
  [[noreturn]] void report_failed(int error_number);
  void note_message(std::string_view text);
  void write_report_text(std::string_view text);
  std::ostream* console_;
  std::vector<std::string> messages_;  // lines written since the last banner or summary
  std::vector<std::string> details_;
  bool stop_told_ = false;
  std::ostream* err_;
  bool report_failed_ = false;
  std::unique_ptr<std::ofstream> report_;
  std::string report_file_name_;
  std::string held_;  // the report's text before the file is created
};

}  // namespace tessaro
