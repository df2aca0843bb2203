// The CRYSTAL output scan, then the cube atom list built from what it found
// under the identity and one operation with a translation.
#include <sstream>

#include "fuzz_support.hpp"
#include "run/run_end.hpp"
#include "topond/crystal_output.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(tessaro_fuzz::as_text(data, size))};
  tessaro::textio::LineReader lines(in, "fuzz.out");
  tessaro::CrystalCell cell;
  try {
    if (tessaro::read_crystal_output(lines, cell) != tessaro::CrystalScan::Ok) return 0;
    tessaro::InputVariables v;
    v.n_symm = 2;
    v.create_symmetry_arrays(2);
    for (int j = 1; j <= 3; ++j) {
      v.symm(1, j, j) = 1;
      v.symm(2, j, j) = -1;
      v.tr(2, j) = 0.5;
    }
    (void)tessaro::cube_atoms(cell, v, "fuzz.out");
  } catch (const tessaro::RunEnd&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
