#pragma once
// The AIMPAC .wfn layout, read into a Wavefunction.
#include <string>

#include "textio/textio.hpp"
#include "wavefunction/wavefunction.hpp"

namespace tessaro {

class Run;

// Reads a whole .wfn file from `in` and stores its primitives sorted by type
// (stable), with sum = -(alpha + alpha) and div = 1 / sum. Throws
// textio::TextIoError for a field that is not a number or a file cut short,
// WfnFileRejected for a file that reads but cannot be evaluated.
void read_wfn_file(textio::LineReader& in, Wavefunction& wfn);

// `readwfn`: opens the file named by wfn_inpname and reads it into wfn. A file
// that cannot be opened or is rejected gets one report line and ends the run
// with status 1.
void readwfn(Run& run, Wavefunction& wfn);

}  // namespace tessaro
