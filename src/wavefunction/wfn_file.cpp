#include "wavefunction/wfn_file.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "grid/grid_data.hpp"
#include "run/run_end.hpp"
#include "wavefunction/wfx_file.hpp"

namespace tessaro {

namespace {

using textio::LineReader;

[[noreturn]] void reject(const LineReader& in, long line, const std::string& what) {
  throw WfnFileRejected(in.file_name() + " line " + std::to_string(line) + ": " + what);
}

// A real as free-form output writes it, without the surrounding blanks.
std::string number_text(double v) {
  std::string s;
  textio::put_free_r8(s, v);
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return s;
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The whole integer that stands right before `label` on the header line
// (writers widen these fields for counts of 1000 and more). False when the
// label is absent or no digits precede it.
bool count_before_label(std::string_view line, std::string_view label, std::string_view& digits) {
  std::size_t pos = line.find(label);
  if (pos == std::string_view::npos) return false;
  std::size_t end = pos;
  while (end > 0 && line[end - 1] == ' ') --end;
  std::size_t start = end;
  while (start > 0 && line[start - 1] >= '0' && line[start - 1] <= '9') --start;
  if (start == end) return false;
  if (start > 0 && (line[start - 1] == '-' || line[start - 1] == '+')) --start;
  digits = line.substr(start, end - start);
  return true;
}

// The header `line`, the last line `in` returned unless it is blank (a blank
// header reads as counts of 0 whatever came after it).
void read_header(const LineReader& in, std::string_view line, long at, Wavefunction& wfn) {
  std::string_view f_nmo, f_nprims, f_ncent;
  bool labelled = count_before_label(line, "MOL ORBITALS", f_nmo) && count_before_label(line, "PRIMITIVES", f_nprims) &&
                  count_before_label(line, "NUCLEI", f_ncent);
  if (!labelled) {
    // 4X, A4, 12X, 3(I3, 17X)
    f_nmo = textio::columns(line, 21, 3);
    f_nprims = textio::columns(line, 41, 3);
    f_ncent = textio::columns(line, 61, 3);
  }
  if (!textio::parse_int(f_nmo, wfn.nmo) || !textio::parse_int(f_nprims, wfn.nprims) ||
      !textio::parse_int(f_ncent, wfn.ncent))
    in.fail_bad_value();
  if (wfn.nmo <= 0) reject(in, at, "the number of molecular orbitals is " + std::to_string(wfn.nmo) + ", not positive");
  if (wfn.nprims <= 0) reject(in, at, "the number of primitives is " + std::to_string(wfn.nprims) + ", not positive");
  if (wfn.ncent <= 0) reject(in, at, "the number of nuclei is " + std::to_string(wfn.ncent) + ", not positive");
}

void read_atoms(LineReader& in, Wavefunction& wfn) {
  const auto n = static_cast<std::size_t>(wfn.ncent);
  check_allocation(n, 4 * sizeof(double) + 8);
  wfn.atnam.assign(n, std::string(8, ' '));
  wfn.xc.assign(n, 0.0);
  wfn.yc.assign(n, 0.0);
  wfn.zc.assign(n, 0.0);
  wfn.charg.assign(n, 0.0);
  for (std::size_t line_no = 0; line_no < n; ++line_no) {
    // A8, 11X, I3, 2X, 3F12.8, 10X, F5.1
    std::string_view line = in.require();
    std::int32_t centre = 0;
    double x = 0, y = 0, z = 0, q = 0;
    if (!textio::parse_int(textio::columns(line, 20, 3), centre) ||
        !textio::parse_real(textio::columns(line, 25, 12), 8, x) ||
        !textio::parse_real(textio::columns(line, 37, 12), 8, y) ||
        !textio::parse_real(textio::columns(line, 49, 12), 8, z) ||
        !textio::parse_real(textio::columns(line, 71, 5), 1, q))
      in.fail_bad_value();
    if (centre < 1 || centre > wfn.ncent)
      reject(in, in.line_number(),
             "centre number " + std::to_string(centre) + " outside 1.." + std::to_string(wfn.ncent));
    // Checked before the cube atom list turns the charge into an atomic number.
    if (!nuclear_charge_in_range(q))
      reject(in, in.line_number(), "nuclear charge " + number_text(q) + " outside 0-118");
    std::string_view label = textio::columns(line, 1, 8);
    wfn.atnam[line_no].replace(0, label.size(), label);
    const auto c = static_cast<std::size_t>(centre - 1);
    wfn.xc[c] = x;
    wfn.yc[c] = y;
    wfn.zc[c] = z;
    wfn.charg[c] = q;
  }
}

// `count` integers in 20X, 20I3 (a new line every twenty values). Returns the
// number of the block's first line.
long read_int_block(LineReader& in, std::size_t count, std::vector<std::int32_t>& out) {
  out.clear();
  long first_line = in.line_number() + 1;
  while (out.size() < count) {
    std::string_view line = in.require();
    for (int f = 0; f < 20 && out.size() < count; ++f) {
      std::int32_t v = 0;
      if (!textio::parse_int(textio::columns(line, 21 + 3 * f, 3), v)) in.fail_bad_value();
      out.push_back(v);
    }
  }
  return first_line;
}

// `count` reals of `width` columns and d fraction digits, five to a line after
// `skip` columns (10X, 5E14.7 and 5E16.8).
long read_real_block(LineReader& in, std::size_t count, int skip, int width, int d, std::vector<double>& out) {
  long first_line = in.line_number() + 1;
  std::size_t end = out.size() + count;
  while (out.size() < end) {
    std::string_view line = in.require();
    for (int f = 0; f < 5 && out.size() < end; ++f) {
      double v = 0;
      if (!textio::parse_real(textio::columns(line, skip + 1 + width * f, width), d, v)) in.fail_bad_value();
      out.push_back(v);
    }
  }
  return first_line;
}

// A field that parse_real refuses although it holds a number of a kind: an
// infinity or a not-a-number written out, or a value too large for a double.
bool non_finite_field(std::string_view field) {
  const std::size_t first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  std::string text(field.substr(first, field.find_last_not_of(' ') - first + 1));
  if (text[0] == '+' || text[0] == '-') text.erase(0, 1);
  for (char& c : text)
    if (c == 'D' || c == 'd') c = 'e';
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ptr != text.data() + text.size()) return false;
  return r.ec == std::errc::result_out_of_range || (r.ec == std::errc() && !std::isfinite(v));
}

// The exponents, as read_real_block reads them, except that an exponent
// that is not finite is rejected like one that is not positive.
long read_exponents(LineReader& in, std::size_t count, std::vector<double>& out) {
  long first_line = in.line_number() + 1;
  while (out.size() < count) {
    std::string_view line = in.require();
    for (int f = 0; f < 5 && out.size() < count; ++f) {
      const std::string_view field = textio::columns(line, 11 + 14 * f, 14);
      double v = 0;
      if (!textio::parse_real(field, 7, v)) {
        if (!non_finite_field(field)) in.fail_bad_value();
        const std::size_t first = field.find_first_not_of(' ');
        reject(in, in.line_number(),
               "primitive " + std::to_string(out.size() + 1) + " has exponent " +
                   std::string(field.substr(first, field.find_last_not_of(' ') - first + 1)) +
                   ", not a positive number");
      }
      out.push_back(v);
    }
  }
  return first_line;
}

// The lines the header's counts announce after it: a line per nucleus, the
// centre and type blocks (twenty to a line), the exponents (five to a line),
// per orbital its heading and coefficients (five to a line), END DATA and the
// energy line.
std::uint64_t announced_lines(const Wavefunction& wfn) {
  using textio::saturating_product, textio::saturating_sum;
  const auto np = static_cast<std::uint64_t>(wfn.nprims);
  const std::uint64_t int_lines = (np + 19) / 20, real_lines = (np + 4) / 5;
  std::uint64_t lines = static_cast<std::uint64_t>(wfn.ncent) + 2 * int_lines + real_lines + 2;
  return saturating_sum(lines, saturating_product(static_cast<std::uint64_t>(wfn.nmo), 1 + real_lines));
}

// The rest of a .wfn file after its header line (line `header_line`).
void read_wfn_after_header(LineReader& in, std::string_view header, long header_line, Wavefunction& wfn) {
  read_header(in, header, header_line, wfn);
  in.require_lines(announced_lines(wfn));
  read_atoms(in, wfn);

  const auto np = static_cast<std::size_t>(wfn.nprims);
  const auto nmo = static_cast<std::size_t>(wfn.nmo);
  // The coefficient table is checked before reading; the working arrays grow
  // only as far as the file really holds values.
  check_allocation(np, 3 * sizeof(double) + 2 * sizeof(std::int32_t));
  if (nmo > 0 && np > std::numeric_limits<std::size_t>::max() / nmo) check_allocation(np, nmo * sizeof(double));
  check_allocation(np * nmo, 2 * sizeof(double));

  std::vector<std::int32_t> centre, type;
  long centre_line = read_int_block(in, np, centre);
  for (std::size_t k = 0; k < np; ++k)
    if (centre[k] < 1 || centre[k] > wfn.ncent)
      reject(in, centre_line + static_cast<long>(k / 20),
             "primitive " + std::to_string(k + 1) + " is assigned to centre " + std::to_string(centre[k]) +
                 ", outside 1.." + std::to_string(wfn.ncent));
  long type_line = read_int_block(in, np, type);
  for (std::size_t k = 0; k < np; ++k)
    if (type[k] < 1 || type[k] > kMaxPrimitiveType)
      reject(in, type_line + static_cast<long>(k / 20),
             "primitive " + std::to_string(k + 1) + " has type " + std::to_string(type[k]) +
                 ", outside 1-56 (s to h primitives are supported)");
  std::vector<double> exponent;
  exponent.reserve(np);
  long exp_line = read_exponents(in, np, exponent);
  for (std::size_t k = 0; k < np; ++k)
    check_exponent(in.file_name() + " line " + std::to_string(exp_line + static_cast<long>(k / 5)), k, exponent[k]);

  wfn.po.assign(nmo, 0.0);
  wfn.eorb.assign(nmo, 0.0);
  std::vector<double> coef;  // file order, orbital after orbital
  for (std::size_t m = 0; m < nmo; ++m) {
    // 35X, F12.8, 15X, F12.8
    std::string_view line = in.require();
    if (!textio::parse_real(textio::columns(line, 36, 12), 8, wfn.po[m]) ||
        !textio::parse_real(textio::columns(line, 63, 12), 8, wfn.eorb[m]))
      in.fail_bad_value();
    read_real_block(in, np, 0, 16, 8, coef);  // 5E16.8
  }
  in.require();  // END DATA, dropped
  // The energy line's numbers are never used, and older writers put a label
  // where the total energy's last columns would be: the line must be there,
  // its contents are not read.
  in.require();

  wfn.atomic_number.resize(static_cast<std::size_t>(wfn.ncent));
  for (std::size_t a = 0; a < wfn.atomic_number.size(); ++a)
    wfn.atomic_number[a] = static_cast<std::int32_t>(wfn.charg[a]);
  store_primitives_sorted(centre, type, exponent, coef, wfn);
}

// Blanks alone (a line of tabs is a .wfn title or header like any other).
bool blank(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

bool starts_with_tag(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '<';
}

}  // namespace

void check_exponent(const std::string& where, std::size_t k, double exponent) {
  const std::string primitive = "primitive " + std::to_string(k + 1) + " has exponent " + number_text(exponent);
  if (!(exponent > 0.0) || !std::isfinite(exponent))
    throw WfnFileRejected(where + ": " + primitive + ", not a positive number");
  // A subnormal exponent makes 1 / (-2 alpha) infinite, and every value NaN.
  if (exponent < std::numeric_limits<double>::min())
    throw WfnFileRejected(where + ": " + primitive + ", below the smallest normal number " +
                          number_text(std::numeric_limits<double>::min()));
}

void store_primitives_sorted(const std::vector<std::int32_t>& centre, const std::vector<std::int32_t>& type,
                             const std::vector<double>& exponent, const std::vector<double>& coef, Wavefunction& wfn) {
  const auto np = static_cast<std::size_t>(wfn.nprims);
  const auto nmo = static_cast<std::size_t>(wfn.nmo);
  // Stable sort by type: positions itp[t-2]+1 .. itp[t-1] hold type t in file order.
  wfn.ict.resize(np);
  wfn.type.resize(np);
  wfn.exx.resize(np);
  wfn.sum.resize(np);
  wfn.div.resize(np);
  wfn.coo.resize(np * nmo);
  std::size_t n = 0;
  for (std::int32_t t = 1; t <= kMaxPrimitiveType; ++t) {
    for (std::size_t k = 0; k < np; ++k) {
      if (type[k] != t) continue;
      wfn.exx[n] = exponent[k];
      wfn.ict[n] = centre[k] - 1;
      wfn.type[n] = t;
      wfn.sum[n] = -(exponent[k] + exponent[k]);
      wfn.div[n] = 1.0 / wfn.sum[n];
      for (std::size_t m = 0; m < nmo; ++m) wfn.coo[m * np + n] = coef[m * np + k];
      ++n;
    }
    wfn.itp[static_cast<std::size_t>(t - 1)] = static_cast<std::int32_t>(n);
  }
}

void read_wfn_file(LineReader& in, Wavefunction& wfn) {
  wfn = Wavefunction{};
  in.require();  // title, A80, dropped
  std::string_view header = in.require();
  read_wfn_after_header(in, header, in.line_number(), wfn);
}

void read_wavefunction_file(LineReader& in, Wavefunction& wfn) {
  wfn = Wavefunction{};
  // Line 1 is a .wfn file's title and line 2 its header, blank or not; a
  // .wfx file may start with blank lines before its first tag.
  std::string_view line = in.require();
  if (starts_with_tag(line)) return read_wfx_file_from(in, line, wfn);
  const bool title_blank = blank(line);
  line = in.require();
  if (!title_blank || !blank(line)) {
    if (title_blank && starts_with_tag(line)) return read_wfx_file_from(in, line, wfn);
    return read_wfn_after_header(in, line, in.line_number(), wfn);
  }
  const long header_line = in.line_number();
  std::string_view next;
  while (in.next(next)) {
    if (blank(next)) continue;
    if (starts_with_tag(next)) return read_wfx_file_from(in, next, wfn);
    break;
  }
  // A .wfn file whose header is blank: its counts read as 0.
  read_header(in, "", header_line, wfn);
}

}  // namespace tessaro
