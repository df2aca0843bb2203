#include "grid/text_blocks.hpp"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <string>
#include <vector>

#include "run/threads.hpp"

namespace tessaro::grid_detail {

namespace {

// Fewer bytes than this per thread are not worth a thread of their own.
constexpr std::size_t kMinPieceBytes = 16 * 1024;
// Text formatted per block of rows before it goes to the stream (two blocks
// are held).
constexpr std::size_t kWriteBlockBytes = std::size_t{2} << 20;

constexpr std::uint64_t kNone = std::numeric_limits<std::uint64_t>::max();

// A line ends at LF, CR LF or a lone CR. Returns the end of the line starting
// at p and sets `next` to the start of the following one; the lines of
// [p, end) are whole, the last perhaps without its line end.
inline const char* line_end(const char* p, const char* end, const char*& next) {
  const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
  const char* stop = nl != nullptr ? nl : end;
  if (const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)))) {
    next = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
    return cr;
  }
  next = nl != nullptr ? nl + 1 : end;
  return stop;
}

// The start of the first line that begins after `p`, or `end`.
const char* next_line_start(const char* p, const char* end) {
  while (p < end && *p != '\n' && *p != '\r') ++p;
  if (p == end) return end;
  return *p == '\r' && p + 1 < end && p[1] == '\n' ? p + 2 : p + 1;
}

// The lines starting in [p, stop), whole lines of a block that ends at `end`.
std::uint64_t count_lines(const char* p, const char* stop, const char* end) {
  if (p == stop) return 0;
  const auto size = static_cast<std::size_t>(stop - p);
  std::uint64_t n = 0;
  if (std::memchr(p, '\r', size) == nullptr) {
    // Eight bytes at a time: a byte of x is zero exactly where the text holds
    // an LF, and only a zero byte keeps its top bit clear in t.
    constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7full, kLf = 0x0a0a0a0a0a0a0a0aull;
    const char* q = p;
    for (; stop - q >= 8; q += 8) {
      std::uint64_t w;
      std::memcpy(&w, q, sizeof w);
      const std::uint64_t x = w ^ kLf;
      const std::uint64_t t = ((x & kLow7) + kLow7) | x;
      n += ((~t >> 7) & 0x0101010101010101ull) * 0x0101010101010101ull >> 56;
    }
    for (; q < stop; ++q) n += *q == '\n' ? 1 : 0;
  } else {
    for (const char* q = p; q < stop; ++q)
      if (*q == '\n' || (*q == '\r' && (q + 1 == end || q[1] != '\n'))) ++n;
  }
  if (stop[-1] != '\n' && stop[-1] != '\r') ++n;  // the last line of the file, without its end
  return n;
}

// One thread's share of a block: whole lines, their index in the block, and
// what became of them.
struct Piece {
  const char* begin = nullptr;
  const char* end = nullptr;
  std::uint64_t first = 0;     // index in the block of the first line
  std::uint64_t parsed = 0;    // lines parsed, from the first
  const char* stop = nullptr;  // after the last line parsed
  std::uint64_t bad = kNone;   // index in the block of the first bad line
  std::exception_ptr failure;
};

void parse_piece(Piece& piece, std::uint64_t block_start, std::uint64_t wanted, LineParser parse, const void* context) {
  const char* p = piece.begin;
  std::uint64_t index = piece.first;
  try {
    while (p < piece.end && index < wanted) {
      const char* next = nullptr;
      const char* stop = line_end(p, piece.end, next);
      const std::string_view line(p, static_cast<std::size_t>(stop - p));
      if (line.size() > textio::LineReader::kMaxLineBytes || !parse(context, line, block_start + index)) {
        piece.bad = index;
        break;
      }
      ++index;
      p = next;
    }
  } catch (...) {
    piece.failure = std::current_exception();
  }
  piece.parsed = index - piece.first;
  piece.stop = p;
}

}  // namespace

void read_lines(textio::LineReader& in, std::uint64_t count, LineParser parse, const void* context) {
  const auto threads = static_cast<std::size_t>(std::max(thread_count(), 1));
  std::vector<Piece> pieces;
  std::uint64_t done = 0;
  while (done < count) {
    const std::string_view block = in.next_block();
    if (block.empty()) in.fail_end_of_file();
    const std::uint64_t wanted = count - done;
    const char* const begin = block.data();
    const char* const end = begin + block.size();

    // Pieces of about equal size, each starting at a line start, a few per
    // thread so that a thread held up elsewhere delays the block little. The
    // index of each piece's first line is the count of the lines before it
    // (one quick pass, far cheaper than parsing).
    const std::size_t n = threads == 1 ? 1 : std::clamp<std::size_t>(block.size() / kMinPieceBytes, 1, 4 * threads);
    pieces.assign(n, Piece{});
    const char* from = begin;
    for (std::size_t t = 0; t < n; ++t) {
      const char* to = t + 1 == n ? end : std::max(from, next_line_start(begin + block.size() / n * (t + 1), end));
      pieces[t].begin = from;
      pieces[t].end = to;
      if (t > 0) pieces[t].first = pieces[t - 1].first + count_lines(pieces[t - 1].begin, pieces[t - 1].end, end);
      from = to;
    }
    // The first thread reads on from the stream while the others parse.
    std::exception_ptr read_failure;
    TESSARO_OMP(omp parallel num_threads(static_cast<int>(std::min(n, threads))))
    {
      TESSARO_OMP(omp master)
      try {
        in.read_ahead();
      } catch (...) {
        read_failure = std::current_exception();
      }
      TESSARO_OMP(omp for schedule(dynamic, 1))
      for (std::size_t t = 0; t < n; ++t) parse_piece(pieces[t], done, wanted, parse, context);
    }
    if (read_failure) std::rethrow_exception(read_failure);

    std::uint64_t parsed = 0, bad = kNone;
    const char* stop = begin;
    for (const Piece& piece : pieces) {
      if (piece.failure) std::rethrow_exception(piece.failure);
      bad = std::min(bad, piece.bad);
      parsed += piece.parsed;
      if (piece.parsed > 0) stop = piece.stop;
    }
    if (bad != kNone)
      throw textio::TextIoError(textio::TextIoError::Kind::BadValue, in.file_name(),
                                in.line_number() + 1 + static_cast<long>(bad));
    in.consume_block(static_cast<std::size_t>(stop - begin), static_cast<long>(parsed));
    done += parsed;
  }
}

void write_rows(std::ostream& out, std::uint64_t rows, std::size_t row_bytes, RowFormatter format,
                const void* context) {
  if (rows == 0 || row_bytes == 0) return;
  const std::uint64_t per_block = std::max<std::uint64_t>(1, kWriteBlockBytes / row_bytes);
  const std::uint64_t block_rows = std::min(rows, per_block);
  // Two buffers: the first thread writes one block to the stream while the
  // threads format the next into the other.
  std::string buffers[2];
  buffers[0].resize(static_cast<std::size_t>(block_rows) * row_bytes);
  if (rows > block_rows) buffers[1].resize(buffers[0].size());
  const char* pending = nullptr;  // a block formatted and not yet written
  std::size_t pending_bytes = 0;
  std::exception_ptr write_failure;
  int which = 0;
  for (std::uint64_t first = 0; first < rows; first += block_rows, which ^= 1) {
    const auto count = static_cast<std::int64_t>(std::min(block_rows, rows - first));
    char* const base = buffers[which].data();
    // Rows in chunks of about kMinPieceBytes, taken by whichever thread is free.
    const auto chunk = static_cast<int>(std::max<std::size_t>(1, kMinPieceBytes / row_bytes));
    const int threads = static_cast<int>(std::clamp<std::int64_t>(count / chunk, 1, thread_count()));
    TESSARO_OMP(omp parallel num_threads(threads)) {
      TESSARO_OMP(omp master)
      if (pending != nullptr) {
        try {
          out.write(pending, static_cast<std::streamsize>(pending_bytes));
        } catch (...) {
          write_failure = std::current_exception();
        }
      }
      TESSARO_OMP(omp for schedule(dynamic, chunk))
      for (std::int64_t r = 0; r < count; ++r)
        format(context, first + static_cast<std::uint64_t>(r), base + static_cast<std::size_t>(r) * row_bytes);
    }
    if (write_failure) std::rethrow_exception(write_failure);
    pending = base;
    pending_bytes = static_cast<std::size_t>(count) * row_bytes;
  }
  out.write(pending, static_cast<std::streamsize>(pending_bytes));
}

}  // namespace tessaro::grid_detail
