#pragma once
// The input template a new user starts from: all three sections in the order
// WFN, TOP, RDG, every keyword in its columns, and '#' lines (passed over by
// the keyword search) telling what each option and column range means.
#include <string_view>

namespace tessaro {

// The whole template, ending with a line end; examples/template.inp holds the
// same text byte for byte.
std::string_view input_template();

}  // namespace tessaro
