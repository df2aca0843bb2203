#pragma once
#include <string>

namespace tessaro {
class Run;
struct InputVariables;

// Writes the summary of one section into the report: 1 WFN, 2 TOP, 3 RDG;
// any other number writes nothing. Reads input_variables only.
void output_writing(Run& run, int section);

// The text output_writing appends to the report for one section ("" for a
// number that names no section), line ends '\n'.
std::string section_summary(const InputVariables& input_variables, int section);
}  // namespace tessaro
