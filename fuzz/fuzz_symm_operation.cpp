// The symmetry-operation parser on arbitrary operation texts.
#include "fuzz_support.hpp"
#include "input/symm_operation.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::SymmOperation op;
  // The parser sees columns 5-44 of a SYMM line, but must not depend on that.
  (void)tessaro::parse_symm_operation(tessaro_fuzz::as_text(data, size), op);
  return 0;
}
