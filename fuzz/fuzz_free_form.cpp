// Free-form reads: the line-by-line reader with several item lists, and the
// one-line read of the template's value ranges.
#include <sstream>

#include "fuzz_support.hpp"
#include "textio/textio.hpp"

using namespace tessaro::textio;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned choice = data[0];
  const std::string_view text = tessaro_fuzz::as_text(data + 1, size - 1);

  std::int32_t i1 = 0, i2 = 0;
  float f1 = 0;
  double d1 = 0, d2 = 0, d3 = 0;
  std::string s1(choice % 16, ' '), s2(8, ' ');

  // Whole text as a file of one line.
  {
    const FreeItem items[] = {&d1, &d2, &d3};
    (void)read_free(text, items);
    const FreeItem mixed[] = {&i1, &f1, &s1};
    (void)read_free(text, mixed);
  }
  // As a file of lines, reads repeated until the end or an error.
  try {
    std::istringstream in{std::string(text)};
    LineReader lines(in, "fuzz.txt");
    FreeReader reader(lines);
    for (int round = 0; round < 64; ++round) {
      ReadStatus status;
      switch ((choice + round) % 4) {
        case 0: {
          const FreeItem items[] = {&i1, &i2};
          status = reader.read(items);
          break;
        }
        case 1: {
          const FreeItem items[] = {&d1, &d2, &d3};
          status = reader.read(items);
          break;
        }
        case 2: {
          const FreeItem items[] = {&s2, &f1, &i1};
          status = reader.read(items);
          break;
        }
        default: {
          const FreeItem items[] = {&s1};
          status = reader.read(items);
          break;
        }
      }
      if (status == ReadStatus::EndOfFile) break;
    }
  } catch (const TextIoError&) {
  }
  return 0;
}
