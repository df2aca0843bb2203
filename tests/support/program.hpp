#pragma once
// The whole program run from a test, in the working directory: in-process
// through tessaro_main with its console and standard error caught, or as the
// built executable.
#include <string>
#include <vector>

namespace tessaro::testing {

struct ProgramResult {
  int status = 0;
  std::string out;
  std::string err;
};

// tessaro_main on the arguments after the program name. Whatever the run
// writes on the process's own standard error counts as its err too.
ProgramResult run_program(const std::vector<std::string>& args);

// The built executable through the shell: `arguments` follow its name and may
// hold redirections. The exit status, or -1 when it did not exit normally.
int run_binary(const std::string& arguments);

}  // namespace tessaro::testing
