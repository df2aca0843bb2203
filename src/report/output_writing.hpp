#pragma once
#include <string>

namespace tessaro {
class Run;
struct InputVariables;

// The sections in the order they run; each is followed by its summary.
enum class Section { Wfn = 1, Top = 2, Rdg = 3 };

// Writes the summary of one section into the report. Reads input_variables
// only.
void output_writing(Run& run, Section section);

// The text output_writing appends to the report for one section, line ends
// '\n'.
std::string section_summary(const InputVariables& input_variables, Section section);
}  // namespace tessaro
