#pragma once
#include <ostream>

namespace tessaro {
// The whole program: arguments as main() gets them, the console (standard
// output) and standard error. Returns the exit status; never calls exit().
int tessaro_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
}  // namespace tessaro
