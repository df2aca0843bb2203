// The wavefunction reader the WFN section uses: .wfx when the first non-blank
// line starts with a tag, .wfn otherwise; then the electron-count check on
// what it accepted.
#include <sstream>

#include "fuzz_support.hpp"
#include "run/run_end.hpp"
#include "wavefunction/electron_count.hpp"
#include "wavefunction/wfn_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(tessaro_fuzz::as_text(data, size))};
  tessaro::textio::LineReader lines(in, "fuzz.wfx");
  tessaro::Wavefunction wfn;
  try {
    tessaro::read_wavefunction_file(lines, wfn);
  } catch (const tessaro::RunEnd&) {
    return 0;
  } catch (const tessaro::textio::TextIoError&) {
    return 0;
  } catch (const tessaro::WfnFileRejected&) {
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  (void)tessaro::electron_count_inconsistent(tessaro::orbital_electron_count(wfn), tessaro::occupation_sum(wfn));
  return 0;
}
