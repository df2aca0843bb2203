// The CRYSTAL output scan, then the cube atom list built from what it found
// under the identity and one operation with a translation.
#include <sstream>

#include "fuzz_support.hpp"
#include "run/run_end.hpp"
#include "topond/crystal_output.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(tessaro_fuzz::as_text(data, size))};
  tessaro::textio::LineReader lines(in, "fuzz.out");
  try {
    const tessaro::CrystalCell cell = tessaro::read_crystal_output(lines);
    tessaro::SymmetryOperation operations[2];
    for (std::size_t j = 0; j < 3; ++j) {
      operations[0].rotation[j][j] = 1;
      operations[1].rotation[j][j] = -1;
      operations[1].translation[j] = 0.5;
    }
    (void)tessaro::cube_atoms(cell, operations, "fuzz.out");
  } catch (const tessaro::RunEnd&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const tessaro::CrystalOutputRejected&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
