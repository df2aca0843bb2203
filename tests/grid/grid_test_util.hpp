#pragma once
// Helpers of the grid tests: cube and grd texts built from hand-chosen
// numbers through the text layer, and reads from strings.
#include <initializer_list>
#include <sstream>
#include <string>

#include "grid/grid_files.hpp"
#include "textio/textio.hpp"

namespace grid_test {

// One header line "I5,3F12.6" (or the atom line "I5,4F12.6") through the text layer.
inline std::string fixed_line(int count, std::initializer_list<double> numbers) {
  std::string s;
  tessaro::textio::put_I(s, count, 5);
  for (double v : numbers) tessaro::textio::put_F(s, v, 12, 6);
  return s + "\n";
}

// Reads a cube (and in XD2 mode a grd) given as text: nothing but line
// sources and plain values. Each text is a whole file, whose size the readers
// know.
inline tessaro::GridFile read_grid_file(const std::string& cube_text, tessaro::GridRole role,
                                        tessaro::InputFormat format, const std::string* grd_text = nullptr) {
  std::istringstream cube_in(cube_text);
  tessaro::textio::LineReader cube(cube_in, "test.cube", cube_text.size());
  std::istringstream grd_in(grd_text ? *grd_text : std::string());
  tessaro::textio::LineReader grd(grd_in, "test.grd", grd_text ? grd_text->size() : 0);
  return tessaro::cube_in_array(cube, role, format, grd_text ? &grd : nullptr);
}

inline tessaro::GridData read_grid(const std::string& cube_text, tessaro::GridRole role, tessaro::InputFormat format,
                                   const std::string* grd_text = nullptr) {
  return read_grid_file(cube_text, role, format, grd_text).grid;
}

}  // namespace grid_test
