#pragma once
// Tight number code for the value blocks of big grids: the ESw.d and Ew.d
// fields of the cube and grd writers, and the blank-separated items of the
// readers. The text layer's put_ES / put_E / parse_real define the results;
// this code only gets them faster (and falls back to the text layer for the
// rare cases it does not handle itself).
#include <cstddef>
#include <string_view>

namespace tessaro::grid_numbers {

// Longest field these writers lay out.
inline constexpr int kMaxWidth = 40;

// Writes `value` as an ESw.d field (one non-zero digit before the point) at
// `dst` and returns the end; exactly w characters (1 <= w <= kMaxWidth,
// 0 <= d <= 16). Same characters as textio::put_ES.
char* write_ES(char* dst, double value, int w, int d);

// Writes `value` as an Ew.d field (0.ddd mantissa) at `dst`; exactly w
// characters (1 <= w <= kMaxWidth, 1 <= d <= 17). Same characters as
// textio::put_E.
char* write_E(char* dst, double value, int w, int d);

// The value fields of cube and grd files: ES13.5 and E18.10, the same
// characters as write_ES / write_E with these layouts, faster.
char* write_ES13_5(char* dst, double value);
char* write_E18_10(char* dst, double value);

// Reads `count` blank-separated numbers from `line` into dst[0..count). A
// line with fewer items gives zero for the missing ones; items after the
// count-th are ignored. `d` is the fraction-digit count of the field the
// numbers were written under, used for an item without a decimal point (as
// fixed-column reading of Ew.d does). Returns false when an item is not a
// number.
bool read_items(std::string_view line, int d, double* dst, std::size_t count);

// Reads one fixed-column field as textio::parse_real does (same results,
// same refusals), faster for the plain spelling.
bool read_field(std::string_view field, int d, double& value);

}  // namespace tessaro::grid_numbers
