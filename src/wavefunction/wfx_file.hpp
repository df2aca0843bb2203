#pragma once
// The AIM extended wavefunction layout (.wfx): tagged blocks such as
// <Number of Nuclei> ... </Number of Nuclei>, in any order, each holding its
// values free-form over any number of lines. Read into the same Wavefunction
// as a .wfn file, primitives sorted by type the same way.
#include <string_view>

#include "textio/textio.hpp"
#include "wavefunction/wavefunction.hpp"

namespace tessaro {

// Reads a whole .wfx file from `in`. Everything wrong with the file throws
// WfnFileRejected naming the file, the block and the fault: a required block
// missing, a count that disagrees with its header, a value that is not a
// number, a type outside 1-56, a centre outside the nuclei, an exponent that
// is not a positive number, a block that is not closed.
void read_wfx_file(textio::LineReader& in, Wavefunction& wfn);

// The same, when `first` is the line `in` returned last (the file's first
// line that is not blank).
void read_wfx_file_from(textio::LineReader& in, std::string_view first, Wavefunction& wfn);

}  // namespace tessaro
