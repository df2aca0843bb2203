#pragma once
namespace tessaro {
class Run;
namespace textio { class LineReader; }
// Reads the whole input template into run.input_variables, names the report
// and writes the reader's warnings there (held until the report is created);
// ends the run itself on the errors it detects.
void input_reading(Run& run, textio::LineReader& input);
}  // namespace tessaro
