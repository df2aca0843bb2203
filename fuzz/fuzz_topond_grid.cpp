// The TOPOND grid reader.
#include <sstream>

#include "fuzz_support.hpp"
#include "grid/grid_files.hpp"
#include "run/run_end.hpp"
#include "topond/topond_grid.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(tessaro_fuzz::as_text(data, size))};
  tessaro::textio::LineReader lines(in, "fuzz.dat");
  tessaro::GridData grid;
  try {
    tessaro::topo_array(lines, grid);
  } catch (const tessaro::RunEnd&) {
  } catch (const tessaro::GridFileRejected&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
