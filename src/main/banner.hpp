#pragma once
// The banner that heads every report, below the input reader's warnings: a
// frame of '+' around the program name drawn in large capital letters.
#include <string>

namespace tessaro {

class Run;

// The 22 banner lines, each ending with '\n': free-form lines of one text
// item 95 characters wide (the first line is a single blank).
std::string banner_text();

void write_banner(Run& run);

}  // namespace tessaro
