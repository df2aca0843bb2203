#pragma once
// The text layer: fixed-column fields and records (the I, F, E, ES, X, A, /
// notation of the file layouts) and free-form lines, both ways.
//
// Digits always come from std::to_chars / std::from_chars; this layer only lays
// them out. Nothing here formats through iostreams.
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "textio/text_error.hpp"

namespace tessaro::textio {

// ---------------------------------------------------------------------------
// Line source. Reads a stream line by line through a large buffer of its own,
// knows the file name and the number of the line last returned, and builds the
// TextIoError of a failed read. A line is returned without its line end (LF or
// CR LF: a CR before the LF is dropped). A line longer than kMaxLineBytes
// (line end not counted) is a bad value of that line: no file of ours has one,
// and a file without line ends (a device that never ends) cannot make the
// reader grow without bound.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

  // `file_size`, when known (a regular file read from its start), bounds what
  // the rest of the file can hold; see require_lines(). Pipes and devices have
  // none.
  LineReader(std::istream& in, std::string file_name, std::optional<std::uint64_t> file_size = std::nullopt);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line; false at end of file. The view stays valid until the next
  // call of next() / require().
  bool next(std::string_view& line);
  // The next line; at end of file throws TextIoError(EndOfFile).
  std::string_view require();

  // A header announces `lines` more lines (each at least one byte). When the
  // rest of the file is known to be shorter, the read ends now as it would
  // at the end of the file, before the caller allocates for the count: the
  // rest is passed over, so the error names the same line as reading line by
  // line would. Nothing is checked when the size is unknown.
  void require_lines(std::uint64_t lines);

  // Lines in blocks, for readers that parse many lines at once: the complete
  // lines now in the buffer (refilled first), as one text with their line
  // ends; at the end of the file the last line may lack its end. Empty at
  // the end of the file. The text stays valid until the next read. A next
  // line too long for the buffer is a bad value of that line, as in next().
  // Nothing counts as read until consume_block().
  std::string_view next_block();
  // The first `bytes` of the last block, `lines` whole lines, are read.
  void consume_block(std::size_t bytes, long lines);
  // Reads more of the stream into the free end of the buffer, leaving the
  // last block where it is: one thread may do this while others parse the
  // block.
  void read_ahead();

  long line_number() const { return line_number_; }  // 1-based, of the last line returned
  const std::string& file_name() const { return file_name_; }

  [[noreturn]] void fail_bad_value() const;    // for the last line returned
  [[noreturn]] void fail_end_of_file() const;  // at the line after the last one returned

 private:
  struct Buffer;
  bool next_line(std::string_view& line);
  void refill();
  std::istream& in_;
  std::string file_name_;
  long line_number_ = 0;
  std::unique_ptr<Buffer> buf_;
  std::optional<std::uint64_t> file_size_;
  std::uint64_t bytes_read_ = 0;  // from the stream into the buffer
};

// The size of the file `name` when it is a regular file; none for a pipe, a
// device or a name that is not there.
std::optional<std::uint64_t> regular_file_size(const std::string& name);

// Line counts from header counts, which may be far beyond any file: products
// and sums that stop at the largest value instead of wrapping around.
std::uint64_t saturating_product(std::uint64_t a, std::uint64_t b);
std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b);

// ---------------------------------------------------------------------------
// Single fields, output. Each appends exactly w characters to `out` (w
// asterisks when the value does not fit).
void put_I(std::string& out, std::int64_t value, int w);
void put_F(std::string& out, double value, int w, int d);
void put_E(std::string& out, double value, int w, int d);   // 0.ddddE+xx, three-digit exponent drops the E
void put_ES(std::string& out, double value, int w, int d);  // d.ddddE+xx
void put_A(std::string& out, std::string_view text, int w);  // Aw
inline void put_X(std::string& out, int n) { out.append(static_cast<std::size_t>(n), ' '); }

// ---------------------------------------------------------------------------
// Single fields, input. `field` is the field's columns as they stand in the
// line (a field cut short by the end of the line is passed shorter: it reads
// as padded with blanks). d is the number of fraction digits of Fw.d / Ew.d,
// used when the field has no decimal point. Return false on an input error.
bool parse_real(std::string_view field, int d, double& value);
bool parse_real(std::string_view field, int d, float& value);  // straight to the nearest float
bool parse_int(std::string_view field, std::int32_t& value);

// Columns [first, first + width) of a line, 1-based `first`, clipped to the
// line (so a short line yields a short or empty field).
std::string_view columns(std::string_view line, int first, int width);

// ---------------------------------------------------------------------------
// Layouts in the field notation, for example "I5,3F12.6", "6E13.5",
// "7X,F3.1,5X,A1,I15,A1,2(1X,ES14.8,A1)", "3/". Parse once, use many times.
class Layout {
 public:
  static Layout parse(std::string_view text);  // throws std::invalid_argument on a malformed layout
  Layout();
  ~Layout();
  Layout(const Layout&);
  Layout& operator=(const Layout&);
  Layout(Layout&&) noexcept;
  Layout& operator=(Layout&&) noexcept;

  struct Impl;
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// One item of a write: a 4-byte integer, a double, a float (formatted from its
// exact value), a text, or a logical.
using OutItem = std::variant<std::int32_t, double, float, std::string_view, bool>;

// Writes the items under the layout into `out`; every line written ends with
// '\n'. With no items, the descriptors up to the first data descriptor are
// still applied (so "3/" writes four line ends). An item that does not suit
// its descriptor (an integer under F, a real under I) throws
// std::invalid_argument.
void write_record(std::string& out, const Layout& layout, std::span<const OutItem> items);

// One item of a read. For a text item the string's size() on entry is its
// declared length; the read leaves it at that length.
using InItem = std::variant<std::int32_t*, double*, float*, std::string*>;

// Reads the items under the layout from the next line(s) of `in`; throws
// TextIoError on an input error or the end of the file.
void read_record(LineReader& in, const Layout& layout, std::span<const InItem> items);

// ---------------------------------------------------------------------------
// Free-form output. Builds one line (without its line end).
class FreeLine {
 public:
  FreeLine& text(std::string_view s);  // written as it is, trailing blanks included
  FreeLine& i4(std::int32_t v);        // 11 columns
  FreeLine& r8(double v);              // 25 columns, 17 significant digits
  FreeLine& r4(float v);               // 15 columns, 8 significant digits
  FreeLine& logical(bool v);
  const std::string& str() const { return line_; }  // "" for a write without items

 private:
  void separator(bool is_text);
  std::string line_;
  bool has_items_ = false;
  bool last_was_text_ = false;
};

// The items alone, as free-form output writes them (without a separator).
void put_free_i4(std::string& out, std::int32_t v);
void put_free_r8(std::string& out, double v);
void put_free_r4(std::string& out, float v);

// ---------------------------------------------------------------------------
// Free-form input.
enum class ReadStatus { Ok, Error, EndOfFile };

// One item of a free-form read; a text item's declared length is the string's
// size() on entry.
using FreeItem = std::variant<std::int32_t*, float*, double*, std::string*>;

// Free-form reads from a line source: a read continues on following lines
// until its items are filled; after a read the rest of its last line is
// skipped.
class FreeReader {
 public:
  explicit FreeReader(LineReader& in) : in_(in) {}
  ReadStatus read(std::span<const FreeItem> items);

 private:
  LineReader& in_;
};

// One free-form read from a text taken as a file of one line (the value ranges
// of the input template): running out of text before the items are filled is
// the end-of-file condition.
ReadStatus read_free(std::string_view text, std::span<const FreeItem> items);

}  // namespace tessaro::textio
