#pragma once
// Everything one run shares: the settings and the open report. Section drivers
// take a Run& and read their settings from it; they open their own files by
// name (relative to the working directory).
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "input/input_variables.hpp"

namespace tessaro {

class Run {
 public:
  explicit Run(std::ostream& console = std::cout) : console_(&console) {}

  InputVariables input_variables;

  // Opens (creates or replaces) the report file. Returns false when it cannot
  // be opened.
  bool open_report(const std::string& file_name);
  bool report_open() const { return report_ != nullptr; }
  // Writes to the report (nothing happens before it is open).
  void report_write(std::string_view text);                      // exactly these characters
  void report_line(std::string_view text);                       // a free-form message line: " " + text
  void console_line(std::string_view text);                      // the same on the console
  void report_and_console(std::string_view text) { report_line(text); console_line(text); }
  void flush();

  std::ostream& console() { return *console_; }

 private:
  std::ostream* console_;
  std::unique_ptr<std::ofstream> report_;
  std::string report_file_name_;
};

}  // namespace tessaro
