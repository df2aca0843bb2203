#pragma once
// Runs templates in a temporary working directory (restored afterwards):
// either the input reader alone, or the whole program in-process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "input/input_reading.hpp"
#include "run/run.hpp"
#include "main/driver.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"

namespace tessaro::testing {

namespace fs = std::filesystem;

struct ReaderResult {
  int status = -1;  // -1: input_reading returned normally
  std::optional<textio::TextIoError> error;
  std::string console;
  InputVariables v;
};

struct ProgramResult {
  int status = 0;
  std::string out;
  std::string err;
};

class InputTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "tessaro-input-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    dir_ = buffer.data();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  static void write_file(const std::string& name, const std::string& text) {
    std::ofstream f(name, std::ios::binary);
    f << text;
  }
  static std::string read_file(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }
  static bool exists(const std::string& name) { return fs::exists(name); }

  // The input reader alone, on a template held in memory. The report (when
  // opened) is flushed so that read_file sees it.
  static ReaderResult read_template(const std::string& text) {
    ReaderResult r;
    std::ostringstream console;
    tessaro::Run run(console);
    std::istringstream in(text);
    textio::LineReader input(in, "input.inp");
    try {
      input_reading(run, input);
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

  static ProgramResult run_program(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"tessaro"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    ProgramResult r;
    r.status = tessaro_main(static_cast<int>(argv.size()), argv.data(), out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  // Writes the template as input.inp and runs the program on it.
  static ProgramResult run_template(const std::string& text) {
    write_file("input.inp", text);
    return run_program({"input.inp"});
  }

 private:
  fs::path previous_;
  fs::path dir_;
};

// A report line: the free-form blank, the message, the line end.
inline std::string line(const std::string& message) { return " " + message + "\n"; }

}  // namespace tessaro::testing
