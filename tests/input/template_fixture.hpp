#pragma once
// Runs templates in a temporary folder: either the input reader alone, or the
// whole program in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "input/input_reading.hpp"
#include "input/run_files.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"
#include "textio/textio.hpp"

namespace tessaro::testing {

namespace fs = std::filesystem;

struct ReaderResult {
  int status = -1;  // -1: input_reading returned normally
  std::optional<textio::TextIoError> error;
  std::string console;
  InputVariables v;
};

class InputTemplate : public TempFolderTest {
 protected:
  // The input reader, on a template held in memory, with the check of the
  // run's files and the report's creation that follow it. The report (when
  // created) is flushed so that read_file sees it.
  static ReaderResult read_template(const std::string& text) {
    ReaderResult r;
    std::ostringstream console;
    tessaro::Run run(console);
    std::istringstream in(text);
    textio::LineReader input(in, "input.inp");
    try {
      prepare_run(run, input);
    } catch (const RunEnd& end) {
      r.status = end.status;
    } catch (const textio::TextIoError& e) {
      r.status = 2;
      r.error = e;
    }
    run.flush();
    r.console = console.str();
    r.v = run.input_variables;
    return r;
  }

  // Writes the template as input.inp and runs the program on it.
  static ProgramResult run_template(const std::string& text) {
    write_file("input.inp", text);
    return run_program({"input.inp"});
  }
};

// A report line: the free-form blank, the message, the line end.
inline std::string line(const std::string& message) { return " " + message + "\n"; }

}  // namespace tessaro::testing
