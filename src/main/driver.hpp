#pragma once
#include <ostream>
#include <string>
#include <string_view>

namespace tessaro {
// The whole program: arguments as main() gets them, the console (standard
// output) and standard error. Returns the exit status; never calls exit().
int tessaro_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The input file name from the first argument: the whole argument without its
// leading and trailing blanks.
std::string input_file_name(std::string_view argument);
}  // namespace tessaro
