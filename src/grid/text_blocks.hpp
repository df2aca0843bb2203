#pragma once
// The value blocks of big grid files, many lines at a time: read in blocks of
// whole lines whose lines are split among the threads, written in blocks of
// rows formatted by the threads into one buffer and written in order. Both
// keep their memory to a few MiB whatever the size of the grid.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string_view>

#include "textio/textio.hpp"

namespace tessaro::grid_detail {

// Parses one line; `index` counts the lines of this read from 0. False when
// the line holds a bad value. Runs on any thread, for any line in any order:
// it must only write where no other line writes.
using LineParser = bool (*)(const void* context, std::string_view line, std::uint64_t index);

// Reads the next `count` lines of `in` and parses each. A line the parser
// refuses, or one longer than LineReader::kMaxLineBytes, is a bad value of
// that line; when several are, the first one in the file is reported, and the
// end of the file before `count` lines is the end-of-file error at the line
// after the last: the errors of reading the lines one by one.
void read_lines(textio::LineReader& in, std::uint64_t count, LineParser parse, const void* context);

template <class Parse>
void read_lines(textio::LineReader& in, std::uint64_t count, const Parse& parse) {
  read_lines(
      in, count,
      [](const void* context, std::string_view line, std::uint64_t index) {
        return (*static_cast<const Parse*>(context))(line, index);
      },
      &parse);
}

// Formats one row of exactly the row size at `dst`. Runs on any thread.
using RowFormatter = void (*)(const void* context, std::uint64_t row, char* dst);

// Writes `rows` rows of exactly `row_bytes` characters each, rows 0, 1, ...
// in order.
void write_rows(std::ostream& out, std::uint64_t rows, std::size_t row_bytes, RowFormatter format, const void* context);

template <class Format>
void write_rows(std::ostream& out, std::uint64_t rows, std::size_t row_bytes, const Format& format) {
  write_rows(
      out, rows, row_bytes,
      [](const void* context, std::uint64_t row, char* dst) { (*static_cast<const Format*>(context))(row, dst); },
      &format);
}

}  // namespace tessaro::grid_detail
