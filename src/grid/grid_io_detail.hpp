#pragma once
// Pieces shared by the cube and grd readers and writers (not an interface
// for other modules).
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_data.hpp"
#include "grid/grid_files.hpp"
#include "textio/textio.hpp"

namespace tessaro::grid_detail {

// Output through one large buffer written to the stream in chunks, so the
// value loops format straight into memory and the stream sees few writes.
class ChunkWriter {
 public:
  static constexpr std::size_t kChunk = std::size_t{1} << 20;
  static constexpr std::size_t kSlack = 4096;  // room for one line past the chunk

  explicit ChunkWriter(std::ostream& out) : out_(out), buf_(kChunk + kSlack, '\0') {}
  ~ChunkWriter() { flush(); }
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;

  // Where the next characters go; at most kSlack of them before advance().
  char* cursor() { return buf_.data() + pos_; }
  void advance(char* end) {
    pos_ = static_cast<std::size_t>(end - buf_.data());
    if (pos_ >= kChunk) flush();
  }
  void append(std::string_view text) {
    if (text.empty()) return;  // an empty view may hold no address to copy from
    if (text.size() > kSlack) {
      flush();
      out_.write(text.data(), static_cast<std::streamsize>(text.size()));
      return;
    }
    std::memcpy(cursor(), text.data(), text.size());
    advance(cursor() + text.size());
  }
  void flush() {
    if (pos_ > 0) out_.write(buf_.data(), static_cast<std::streamsize>(pos_));
    pos_ = 0;
  }

 private:
  std::ostream& out_;
  std::string buf_;
  std::size_t pos_ = 0;
};

// The grd part of XD2 reading: header lines (kept in *keep for the density
// role, dropped otherwise), the values with i fastest, and the conversion to
// atomic units of the role. `grid` has its header and sized value array.
void grd_in_array(textio::LineReader& grd, GridRole role, GridData& grid, std::vector<std::string>* keep);

// Unit factors of grd files: the third, fourth and fifth powers of the bohr
// in angstrom (0.5291771292686462), as stored.
inline constexpr double kGrdDensityFactor = 0.14818464289233146;
inline constexpr double kGrdGradientFactor = 0.07841592392746348;
inline constexpr double kGrdLaplacianFactor = 0.04149591351288367;

}  // namespace tessaro::grid_detail
