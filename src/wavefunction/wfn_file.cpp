#include "wavefunction/wfn_file.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "grid/grid_data.hpp"
#include "run/run_end.hpp"

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

void read_header(LineReader& in, Wavefunction& wfn) {
  std::string_view line = in.require();
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
  const long at = in.line_number();
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

}  // namespace

void read_wfn_file(LineReader& in, Wavefunction& wfn) {
  wfn = Wavefunction{};
  in.require();  // title, A80, dropped
  read_header(in, wfn);
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
    if (type[k] < 1 || type[k] > 20)
      reject(in, type_line + static_cast<long>(k / 20),
             "primitive " + std::to_string(k + 1) + " has type " + std::to_string(type[k]) +
                 ", outside 1-20 (only s, p, d and f primitives are supported)");
  std::vector<double> exponent;
  exponent.reserve(np);
  long exp_line = read_real_block(in, np, 10, 14, 7, exponent);
  for (std::size_t k = 0; k < np; ++k) {
    const long at = exp_line + static_cast<long>(k / 5);
    const std::string primitive = "primitive " + std::to_string(k + 1) + " has exponent " + number_text(exponent[k]);
    if (!(exponent[k] > 0.0) || !std::isfinite(exponent[k])) reject(in, at, primitive + ", not a positive number");
    // A subnormal exponent makes 1 / (-2 alpha) infinite, and every value NaN.
    if (exponent[k] < std::numeric_limits<double>::min())
      reject(in, at, primitive + ", below the smallest normal number " +
                         number_text(std::numeric_limits<double>::min()));
  }

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

  // Stable sort by type: positions itp[t-2]+1 .. itp[t-1] hold type t in file order.
  wfn.ict.resize(np);
  wfn.type.resize(np);
  wfn.exx.resize(np);
  wfn.sum.resize(np);
  wfn.div.resize(np);
  wfn.coo.resize(np * nmo);
  std::size_t n = 0;
  for (std::int32_t t = 1; t <= 20; ++t) {
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

}  // namespace tessaro
