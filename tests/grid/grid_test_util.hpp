#pragma once
// Helpers of the grid tests: cube and grd texts built from hand-chosen
// numbers through the text layer, reads from strings, and a run with a report
// file in a temporary folder of its own (for the consistency check).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <stdlib.h>

#include "grid/grid_files.hpp"
#include "run/run.hpp"
#include "textio/textio.hpp"

namespace grid_test {

// A Run whose console is a string and whose report is a file of its own.
class TestRun {
 public:
  TestRun() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaro_grid_test_XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    report_path_ = (dir_ / "report.txt").string();
    EXPECT_TRUE(run.open_report(report_path_));
  }
  ~TestRun() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TestRun(const TestRun&) = delete;
  TestRun& operator=(const TestRun&) = delete;

  std::string report() {
    run.flush();
    return report_on_disk();
  }
  // What the report file holds now, without flushing it first.
  std::string report_on_disk() const {
    std::ifstream in(report_path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string console_text() const { return console.str(); }

  std::ostringstream console;
  tessaro::Run run{console};

 private:
  std::filesystem::path dir_;
  std::string report_path_;
};

// One header line "I5,3F12.6" (or the atom line "I5,4F12.6") through the text layer.
inline std::string fixed_line(int count, std::initializer_list<double> numbers) {
  std::string s;
  tessaro::textio::put_I(s, count, 5);
  for (double v : numbers) tessaro::textio::put_F(s, v, 12, 6);
  return s + "\n";
}

// Reads a cube (and in XD2 mode a grd) given as text: nothing but line
// sources and plain values.
inline tessaro::GridFile read_grid_file(const std::string& cube_text, tessaro::GridRole role,
                                        tessaro::InputFormat format, const std::string* grd_text = nullptr) {
  std::istringstream cube_in(cube_text);
  tessaro::textio::LineReader cube(cube_in, "test.cube");
  std::istringstream grd_in(grd_text ? *grd_text : std::string());
  tessaro::textio::LineReader grd(grd_in, "test.grd");
  return tessaro::cube_in_array(cube, role, format, grd_text ? &grd : nullptr);
}

inline tessaro::GridData read_grid(const std::string& cube_text, tessaro::GridRole role, tessaro::InputFormat format,
                                   const std::string* grd_text = nullptr) {
  return read_grid_file(cube_text, role, format, grd_text).grid;
}

}  // namespace grid_test
