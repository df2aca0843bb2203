#pragma once
// The AIMPAC .wfn layout, read into a Wavefunction from a stream; the WFN
// section opens the file and reports what the reader rejects.
#include <string>
#include <vector>

#include "textio/textio.hpp"
#include "wavefunction/wavefunction.hpp"

namespace tessaro {

// Reads a whole .wfn file from `in` and stores its primitives sorted by type
// (stable), with sum = -(alpha + alpha) and div = 1 / sum. Throws
// textio::TextIoError for a field that is not a number or a file cut short,
// WfnFileRejected for a file that reads but cannot be evaluated.
void read_wfn_file(textio::LineReader& in, Wavefunction& wfn);

// The file the WFN section names: a .wfx file when its first non-blank line
// starts with a tag, otherwise a .wfn file (whatever the name's extension).
void read_wavefunction_file(textio::LineReader& in, Wavefunction& wfn);

// Shared by both readers. Rejects exponent number k (0-based) unless it is a
// positive normal number; `where` names the file and line.
void check_exponent(const std::string& where, std::size_t k, double exponent);
// Stores the primitives of file order (centres from 1, coefficients orbital
// after orbital) sorted by type, stably, with their tables; wfn's counts are set.
void store_primitives_sorted(const std::vector<std::int32_t>& centre, const std::vector<std::int32_t>& type,
                             const std::vector<double>& exponent, const std::vector<double>& coef, Wavefunction& wfn);

}  // namespace tessaro
