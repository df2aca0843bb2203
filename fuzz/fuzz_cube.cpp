// The cube reader in each mode. The first byte picks the mode (CUB, GAU,
// XD2) and the grid's role; the rest is the cube file. In XD2 mode the text
// after a line "@GRD@" is the grd file (the whole text when there is none).
#include <sstream>

#include "fuzz_support.hpp"
#include "grid/grid_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const tessaro::InputFormat formats[] = {tessaro::InputFormat::CUB, tessaro::InputFormat::GAU,
                                                 tessaro::InputFormat::XD2};
  static const tessaro::GridRole roles[] = {tessaro::GridRole::Density, tessaro::GridRole::Gradient,
                                            tessaro::GridRole::Laplacian};
  const tessaro::InputFormat format = formats[data[0] % 3];
  const tessaro::GridRole role = roles[(data[0] / 3) % 3];
  std::string text(tessaro_fuzz::as_text(data + 1, size - 1));
  std::string grd_text = text;
  if (const std::size_t at = text.find("\n@GRD@\n"); at != std::string::npos) {
    grd_text = text.substr(at + 7);
    text.resize(at + 1);
  }

  std::istringstream cube_in(text), grd_in(grd_text);
  tessaro::textio::LineReader cube(cube_in, "fuzz.cube");
  tessaro::textio::LineReader grd(grd_in, "fuzz.grd");
  try {
    tessaro::cube_in_array(cube, role, format, format == tessaro::InputFormat::XD2 ? &grd : nullptr);
  } catch (const tessaro::GridFileRejected&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
