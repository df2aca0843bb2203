#pragma once
#include <ostream>
#include <string>
#include <string_view>

namespace tessaro {
// The whole program: arguments as main() gets them, the console (standard
// output) and standard error. Returns the exit status; never calls exit().
int tessaro_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The input file name from the first argument: the argument is cut to 30
// characters, shifted left over its leading blanks, and its trailing blanks
// are no part of the name.
std::string input_file_name(std::string_view argument);
}  // namespace tessaro
