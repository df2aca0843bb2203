#include "support/program.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "main/driver.hpp"

namespace tessaro::testing {

ProgramResult run_program(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"tessaro"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  // Back to the process's own buffer however the run ends.
  struct ErrCapture {
    std::streambuf* process_err;
    ~ErrCapture() { std::cerr.rdbuf(process_err); }
  } capture{std::cerr.rdbuf(err.rdbuf())};
  ProgramResult r;
  r.status = tessaro_main(static_cast<int>(argv.size()) - 1, argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

int run_binary(const std::string& arguments) {
  const std::string command = "\"" + std::string(TESSARO_BINARY) + "\" " + arguments;
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tessaro::testing
