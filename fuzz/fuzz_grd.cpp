// The grd reader: a fixed, valid cube header for a 2 x 3 x 4 grid with one
// atom supplies the header, the input is the grd file. The first byte picks
// the grid's role (each role has its own unit conversion).
#include <sstream>

#include "fuzz_support.hpp"
#include "grid/grid_files.hpp"

namespace {
constexpr const char* kCube =
    "\n\n"
    "    1    0.000000    0.000000    0.000000\n"
    "    2    0.500000    0.000000    0.000000\n"
    "    3    0.000000    0.500000    0.000000\n"
    "    4    0.000000    0.000000    0.500000\n"
    "    8    8.000000    0.000000    0.000000    0.000000\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const tessaro::GridRole roles[] = {tessaro::GridRole::Density, tessaro::GridRole::Gradient,
                                            tessaro::GridRole::Laplacian};
  const tessaro::GridRole role = roles[data[0] % 3];
  std::istringstream cube_in(kCube), grd_in{std::string(tessaro_fuzz::as_text(data + 1, size - 1))};
  tessaro::textio::LineReader cube(cube_in, "fuzz.cube");
  tessaro::textio::LineReader grd(grd_in, "fuzz.grd");
  try {
    tessaro::cube_in_array(cube, role, tessaro::InputFormat::XD2, &grd);
  } catch (const tessaro::GridFileRejected&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
