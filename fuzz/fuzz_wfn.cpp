// The .wfn reader.
#include <sstream>

#include "fuzz_support.hpp"
#include "run/run_end.hpp"
#include "wavefunction/wfn_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(tessaro_fuzz::as_text(data, size))};
  tessaro::textio::LineReader lines(in, "fuzz.wfn");
  tessaro::Wavefunction wfn;
  try {
    tessaro::read_wfn_file(lines, wfn);
  } catch (const tessaro::RunEnd&) {
  } catch (const tessaro::textio::TextIoError&) {
  } catch (const tessaro::WfnFileRejected&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
