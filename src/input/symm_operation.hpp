#pragma once
// One symmetry operation of a SYMM line, as the reader walks its text: three
// comma-separated components, one per output coordinate, each a sum of signed
// terms x, y, z (either case) and at most one numeric translation.
#include <array>
#include <cstdint>
#include <string_view>

#include "textio/textio.hpp"

namespace tessaro {

struct SymmOperation {
  // coefficient[j][c]: coefficient of input coordinate c (0 x, 1 y, 2 z) in
  // output coordinate j.
  std::array<std::array<std::int32_t, 3>, 3> coefficient{};
  std::array<double, 3> translation{};  // added to output coordinate j
};

// Parses the operation text (columns 5-44 of a SYMM line) into `op`, which is
// zeroed first. A translation that is not a number (for example 2x, where a
// letter does not end the number) makes the read fail: the result is then
// ReadStatus::Error or ReadStatus::EndOfFile, and the caller ends the run as
// a failed read of the input file.
textio::ReadStatus parse_symm_operation(std::string_view text, SymmOperation& op);

}  // namespace tessaro
