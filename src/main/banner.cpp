#include "main/banner.hpp"

#include <array>
#include <string_view>

#include "run/run.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kItemWidth = 95;
constexpr std::size_t kFrame = 9;  // '+' on each side of the lettering
constexpr std::size_t kInner = kItemWidth - 2 * kFrame;
constexpr std::size_t kRows = 7;

// Each letter is drawn with the capital letter itself, 7 columns by 7 rows.
using Glyph = std::array<std::string_view, kRows>;
constexpr Glyph kT{"TTTTTTT", "   T   ", "   T   ", "   T   ", "   T   ", "   T   ", "   T   "};
constexpr Glyph kE{"EEEEEEE", "E      ", "E      ", "EEEEE  ", "E      ", "E      ", "EEEEEEE"};
constexpr Glyph kS{" SSSSS ", "S     S", "S      ", " SSSSS ", "      S", "S     S", " SSSSS "};
constexpr Glyph kA{"   A   ", "  A A  ", " A   A ", "A     A", "AAAAAAA", "A     A", "A     A"};
constexpr Glyph kR{"RRRRRR ", "R     R", "R     R", "RRRRRR ", "R   R  ", "R    R ", "R     R"};
constexpr Glyph kO{" OOOOO ", "O     O", "O     O", "O     O", "O     O", "O     O", " OOOOO "};
constexpr std::array<const Glyph*, 7> kName{&kT, &kE, &kS, &kS, &kA, &kR, &kO};

void add_line(std::string& out, std::string_view item) {
  out += ' ';
  out += item;
  out += '\n';
}

std::string framed(std::string_view inner) {
  std::string item(kFrame, '+');
  item += inner;
  item.resize(kItemWidth - kFrame, ' ');
  item.append(kFrame, '+');
  return item;
}

}  // namespace

std::string banner_text() {
  std::string out;
  out += " \n";
  const std::string full(kItemWidth, '+');
  const std::string empty_frame = framed("");
  for (int i = 0; i < 3; ++i) add_line(out, full);
  add_line(out, empty_frame);
  for (std::size_t row = 0; row < kRows; ++row) {
    // Two blanks after the frame, the letters three columns apart.
    std::string inner = "  ";
    for (std::size_t letter = 0; letter < kName.size(); ++letter) {
      if (letter > 0) inner += "   ";
      inner += (*kName[letter])[row];
    }
    static_assert(2 + 7 * 7 + 6 * 3 < kInner, "the lettering must leave a blank before the frame");
    add_line(out, framed(inner));
  }
  add_line(out, empty_frame);
  for (int i = 0; i < 3; ++i) add_line(out, full);
  const std::string blanks(kItemWidth, ' ');
  for (int i = 0; i < 6; ++i) add_line(out, blanks);
  return out;
}

void write_banner(Run& run) { run.report_write(banner_text()); }

}  // namespace tessaro
