#pragma once
// The AIMPAC .wfn layout, read into a Wavefunction from a stream; the WFN
// section opens the file and reports what the reader rejects.
#include "textio/textio.hpp"
#include "wavefunction/wavefunction.hpp"

namespace tessaro {

// Reads a whole .wfn file from `in` and stores its primitives sorted by type
// (stable), with sum = -(alpha + alpha) and div = 1 / sum. Throws
// textio::TextIoError for a field that is not a number or a file cut short,
// WfnFileRejected for a file that reads but cannot be evaluated.
void read_wfn_file(textio::LineReader& in, Wavefunction& wfn);

}  // namespace tessaro
