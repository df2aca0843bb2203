#pragma once
namespace tessaro {
class Run;
// Writes the summary of one section into the report: 1 WFN, 2 TOP, 3 RDG;
// any other number writes nothing.
void output_writing(Run& run, int section);
}  // namespace tessaro
