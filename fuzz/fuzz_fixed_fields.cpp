// The fixed-column field readers: single fields (parse_real, parse_int,
// columns) and whole records under the layouts the file readers use.
#include <sstream>

#include "fuzz_support.hpp"
#include "textio/textio.hpp"

using namespace tessaro::textio;

namespace {

const Layout& layout(unsigned k) {
  static const Layout layouts[] = {
      Layout::parse("I5,3F12.6"),     Layout::parse("I5,4F12.6"),          Layout::parse("6E13.5"),
      Layout::parse("6E18.10"),       Layout::parse("A8,11X,I3,2X,3F12.8,10X,F5.1"),
      Layout::parse("A11,3E20.12"),   Layout::parse("3E21.12"),            Layout::parse("3I5,3/,6E13.5"),
      Layout::parse("20X,4I4"),       Layout::parse("7X,F3.1,5X,A1,I15,A1,2(1X,ES14.8,A1)"),
  };
  return layouts[k % (sizeof layouts / sizeof layouts[0])];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned choice = data[0];
  const int width = data[1] % 40;
  const std::string_view text = tessaro_fuzz::as_text(data + 2, size - 2);

  // Single fields, every width, as the text stands.
  double d = 0;
  float f = 0;
  std::int32_t i = 0;
  (void)parse_real(text, choice % 13, d);
  (void)parse_real(text, choice % 13, f);
  (void)parse_int(text, i);
  for (int first = 1; first <= 3; ++first) {
    const std::string_view field = columns(text, first, width);
    (void)parse_real(field, width % 13, d);
    (void)parse_int(field, i);
  }

  // Records: the same kinds of items the readers pass, repeated over the text.
  try {
    std::istringstream in{std::string(text)};
    LineReader lines(in, "fuzz.txt");
    const Layout& l = layout(choice);
    std::int32_t n[4] = {};
    double v[6] = {};
    float w[3] = {};
    std::string a(8, ' '), b(11, ' '), c(1, ' ');
    for (int round = 0; round < 16; ++round) {
      switch (choice % 10) {
        case 0: {
          const InItem items[] = {&n[0], &v[0], &v[1], &v[2]};
          read_record(lines, l, items);
          break;
        }
        case 1: {
          const InItem items[] = {&n[0], &w[0], &v[1], &v[2], &v[3]};
          read_record(lines, l, items);
          break;
        }
        case 2:
        case 3: {
          const InItem items[] = {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]};
          read_record(lines, l, items);
          break;
        }
        case 4: {
          const InItem items[] = {&a, &n[0], &v[0], &v[1], &v[2], &v[3]};
          read_record(lines, l, items);
          break;
        }
        case 5: {
          const InItem items[] = {&b, &w[0], &w[1], &w[2]};
          read_record(lines, l, items);
          break;
        }
        case 6: {
          const InItem items[] = {&w[0], &w[1], &w[2]};
          read_record(lines, l, items);
          break;
        }
        case 7: {
          const InItem items[] = {&n[0], &n[1], &n[2], &v[0], &v[1], &v[2]};
          read_record(lines, l, items);
          break;
        }
        case 8: {
          const InItem items[] = {&n[0], &n[1], &n[2], &n[3]};
          read_record(lines, l, items);
          break;
        }
        default: {
          std::string c2(1, ' '), c3(1, ' '), c4(1, ' ');
          const InItem items[] = {&v[0], &c, &n[0], &c2, &v[1], &c3, &v[2], &c4};
          read_record(lines, l, items);
          break;
        }
      }
    }
  } catch (const TextIoError&) {
  }
  return 0;
}
