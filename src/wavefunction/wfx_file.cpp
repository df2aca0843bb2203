#include "wavefunction/wfx_file.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_data.hpp"
#include "wavefunction/wfn_file.hpp"

namespace tessaro {

namespace {

using textio::LineReader;

// The blocks read; every other block is passed over whole.
constexpr std::string_view kNuclei = "Number of Nuclei";
constexpr std::string_view kOrbitals = "Number of Occupied Molecular Orbitals";
constexpr std::string_view kPrimitives = "Number of Primitives";
constexpr std::string_view kNames = "Nuclear Names";
constexpr std::string_view kAtomicNumbers = "Atomic Numbers";
constexpr std::string_view kCharges = "Nuclear Charges";
constexpr std::string_view kCoordinates = "Nuclear Cartesian Coordinates";
constexpr std::string_view kCentres = "Primitive Centers";
constexpr std::string_view kTypes = "Primitive Types";
constexpr std::string_view kExponents = "Primitive Exponents";
constexpr std::string_view kOccupations = "Molecular Orbital Occupation Numbers";
constexpr std::string_view kEnergies = "Molecular Orbital Energies";
constexpr std::string_view kCoefficients = "Molecular Orbital Primitive Coefficients";
constexpr std::string_view kMoNumber = "MO Number";
constexpr std::string_view kEdf = "Additional Electron Density Function (EDF)";
constexpr std::string_view kEdfCount = "Number of EDF Primitives";
constexpr std::string_view kEdfCentres = "EDF Primitive Centers";
constexpr std::string_view kEdfTypes = "EDF Primitive Types";
constexpr std::string_view kEdfExponents = "EDF Primitive Exponents";
constexpr std::string_view kEdfCoefficients = "EDF Primitive Coefficients";

enum class ValueKind { Integer, Real, Word };

// The values of one block as read.
struct Block {
  bool present = false;
  long line = 0;  // of its opening tag
  std::vector<std::int32_t> ints;
  std::vector<double> reals;
  std::vector<std::string> words;
  std::size_t size() const { return std::max({ints.size(), reals.size(), words.size()}); }
};

struct Orbital {
  std::int32_t number = 0;
  long line = 0;  // of its <MO Number>
  std::vector<double> coef;
};

// Tags and the words between them, line by line. A tag lies on one line; a
// word ends at a blank or at the next '<'.
class Scanner {
 public:
  enum class Kind { Open, Close, Word, End };
  struct Token {
    Kind kind;
    std::string_view text;  // the tag's name or the word
    long line;
  };

  Scanner(LineReader& in, std::optional<std::string_view> first) : in_(in) {
    if (first) {
      line_ = *first;
      at_ = in.line_number();
      have_line_ = true;
    }
  }

  const std::string& file() const { return in_.file_name(); }

  [[noreturn]] void fail(long line, std::string_view block, const std::string& what) const {
    std::string text = file() + " line " + std::to_string(line);
    if (!block.empty()) text += ", <" + std::string(block) + ">";
    throw WfnFileRejected(text + ": " + what);
  }

  Token next() {
    while (true) {
      while (have_line_ && pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
      if (have_line_ && pos_ < line_.size()) break;
      if (!fetch()) return {Kind::End, {}, at_};
    }
    if (line_[pos_] == '<') {
      const std::size_t close = line_.find('>', pos_);
      if (close == std::string_view::npos) fail(at_, {}, "a '<' without its '>' on the same line");
      std::string_view name = line_.substr(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
      const bool closing = !name.empty() && name[0] == '/';
      if (closing) name.remove_prefix(1);
      name = trim(name);
      return {closing ? Kind::Close : Kind::Open, name, at_};
    }
    const std::size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t' && line_[pos_] != '<') ++pos_;
    return {Kind::Word, line_.substr(start, pos_ - start), at_};
  }

  // Passes over everything up to and including </name>, tags or not.
  void skip_block(std::string_view tag_name, long opened) {
    const std::string name(tag_name);  // the line it views moves on
    const std::string close = "</" + name + ">";
    while (true) {
      if (have_line_) {
        const std::size_t found = line_.find(close, pos_);
        if (found != std::string_view::npos) {
          pos_ = found + close.size();
          return;
        }
      }
      if (!fetch()) fail(opened, name, "the block is not closed before the end of the file");
    }
  }

 private:
  static std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }

  bool fetch() {
    std::string_view line;
    bool got = false;
    try {
      got = in_.next(line);
    } catch (const textio::TextIoError& e) {
      fail(e.line(), {}, "a line longer than " + std::to_string(LineReader::kMaxLineBytes) + " bytes");
    }
    if (!got) {
      have_line_ = false;
      return false;
    }
    line_ = line;
    at_ = in_.line_number();
    pos_ = 0;
    have_line_ = true;
    return true;
  }

  LineReader& in_;
  std::string_view line_;
  std::size_t pos_ = 0;
  long at_ = 0;
  bool have_line_ = false;
};

// parse_real reads a sign or a point alone as 0; a value needs a digit.
bool has_digit(std::string_view word) { return word.find_first_of("0123456789") != std::string_view::npos; }

std::string quoted(std::string_view word) { return "\"" + std::string(word.substr(0, 40)) + "\""; }

// One value of a block, parsed as its kind.
void add_value(const Scanner& sc, const Scanner::Token& t, std::string_view block, ValueKind kind, Block& b) {
  const std::string index = std::to_string(b.size() + 1);
  switch (kind) {
    case ValueKind::Integer: {
      std::int32_t v = 0;
      if (!textio::parse_int(t.text, v))
        sc.fail(t.line, block, "value " + index + " " + quoted(t.text) + " is not an integer");
      b.ints.push_back(v);
      break;
    }
    case ValueKind::Real: {
      double v = 0;
      if (!has_digit(t.text) || !textio::parse_real(t.text, 0, v))
        sc.fail(t.line, block, "value " + index + " " + quoted(t.text) + " is not a number");
      b.reals.push_back(v);
      break;
    }
    case ValueKind::Word: b.words.emplace_back(t.text); break;
  }
}

// The values of a block up to its closing tag.
void read_values(Scanner& sc, std::string_view block, long opened, ValueKind kind, Block& b) {
  if (b.present) sc.fail(opened, block, "the block appears twice (first on line " + std::to_string(b.line) + ")");
  b.present = true;
  b.line = opened;
  while (true) {
    const Scanner::Token t = sc.next();
    switch (t.kind) {
      case Scanner::Kind::Word: add_value(sc, t, block, kind, b); break;
      case Scanner::Kind::Close:
        if (t.text == block) return;
        sc.fail(t.line, block, "closed by </" + std::string(t.text) + ">");
      case Scanner::Kind::Open: sc.fail(t.line, block, "a tag <" + std::string(t.text) + "> among the values");
      case Scanner::Kind::End: sc.fail(opened, block, "the block is not closed before the end of the file");
    }
  }
}

struct WfxContent {
  std::map<std::string_view, Block> blocks;  // by name, the blocks read
  bool coefficients_present = false;
  long coefficients_line = 0;
  std::vector<Orbital> orbitals;  // in file order
  bool edf_present = false;
  long edf_line = 0;
  std::map<std::string_view, Block> edf;
};

struct KnownBlock {
  std::string_view name;
  ValueKind kind;
};
constexpr KnownBlock kValueBlocks[] = {
    {kNuclei, ValueKind::Integer},   {kOrbitals, ValueKind::Integer},      {kPrimitives, ValueKind::Integer},
    {kNames, ValueKind::Word},       {kAtomicNumbers, ValueKind::Integer}, {kCharges, ValueKind::Real},
    {kCoordinates, ValueKind::Real}, {kCentres, ValueKind::Integer},       {kTypes, ValueKind::Integer},
    {kExponents, ValueKind::Real},   {kOccupations, ValueKind::Real},      {kEnergies, ValueKind::Real}};
constexpr KnownBlock kEdfBlocks[] = {{kEdfCount, ValueKind::Integer},
                                     {kEdfCentres, ValueKind::Integer},
                                     {kEdfTypes, ValueKind::Integer},
                                     {kEdfExponents, ValueKind::Real},
                                     {kEdfCoefficients, ValueKind::Real}};

// The entry of a block read, whose name outlives the line the tag stood on.
template <std::size_t N>
const KnownBlock* known(const KnownBlock (&table)[N], std::string_view name) {
  for (const KnownBlock& b : table)
    if (b.name == name) return &b;
  return nullptr;
}

// <MO Number> k </MO Number> and its coefficients, orbital after orbital.
void read_coefficients(Scanner& sc, long opened, WfxContent& c) {
  if (c.coefficients_present)
    sc.fail(opened, kCoefficients,
            "the block appears twice (first on line " + std::to_string(c.coefficients_line) + ")");
  c.coefficients_present = true;
  c.coefficients_line = opened;
  while (true) {
    const Scanner::Token t = sc.next();
    switch (t.kind) {
      case Scanner::Kind::Word: {
        if (c.orbitals.empty()) sc.fail(t.line, kCoefficients, "a value before the first <MO Number>");
        double v = 0;
        if (!has_digit(t.text) || !textio::parse_real(t.text, 0, v))
          sc.fail(t.line, kCoefficients,
                  "coefficient " + std::to_string(c.orbitals.back().coef.size() + 1) + " of orbital " +
                      std::to_string(c.orbitals.back().number) + " " + quoted(t.text) + " is not a number");
        c.orbitals.back().coef.push_back(v);
        break;
      }
      case Scanner::Kind::Open: {
        if (t.text != kMoNumber) sc.fail(t.line, kCoefficients, "a tag <" + std::string(t.text) + "> among the values");
        Block number;
        read_values(sc, kMoNumber, t.line, ValueKind::Integer, number);
        if (number.ints.size() != 1)
          sc.fail(t.line, kMoNumber, std::to_string(number.size()) + " values where one orbital number belongs");
        c.orbitals.push_back(Orbital{number.ints[0], t.line, {}});
        break;
      }
      case Scanner::Kind::Close:
        if (t.text == kCoefficients) return;
        sc.fail(t.line, kCoefficients, "closed by </" + std::string(t.text) + ">");
      case Scanner::Kind::End: sc.fail(opened, kCoefficients, "the block is not closed before the end of the file");
    }
  }
}

void read_edf(Scanner& sc, long opened, WfxContent& c) {
  if (c.edf_present)
    sc.fail(opened, kEdf, "the block appears twice (first on line " + std::to_string(c.edf_line) + ")");
  c.edf_present = true;
  c.edf_line = opened;
  while (true) {
    const Scanner::Token t = sc.next();
    switch (t.kind) {
      case Scanner::Kind::Word: break;  // text between the inner blocks
      case Scanner::Kind::Open:
        if (const KnownBlock* b = known(kEdfBlocks, t.text)) read_values(sc, b->name, t.line, b->kind, c.edf[b->name]);
        else sc.skip_block(t.text, t.line);
        break;
      case Scanner::Kind::Close:
        if (t.text == kEdf) return;
        sc.fail(t.line, kEdf, "closed by </" + std::string(t.text) + ">");
      case Scanner::Kind::End: sc.fail(opened, kEdf, "the block is not closed before the end of the file");
    }
  }
}

WfxContent scan(Scanner& sc) {
  WfxContent c;
  while (true) {
    const Scanner::Token t = sc.next();
    switch (t.kind) {
      case Scanner::Kind::End: return c;
      case Scanner::Kind::Word: break;  // text between blocks
      case Scanner::Kind::Close: sc.fail(t.line, {}, "</" + std::string(t.text) + "> closes no open block");
      case Scanner::Kind::Open:
        if (t.text == kCoefficients) {
          read_coefficients(sc, t.line, c);
        } else if (t.text == kEdf) {
          read_edf(sc, t.line, c);
        } else if (const KnownBlock* b = known(kValueBlocks, t.text)) {
          read_values(sc, b->name, t.line, b->kind, c.blocks[b->name]);
        } else {
          sc.skip_block(t.text, t.line);
        }
        break;
    }
  }
}

// Checks on the blocks once the whole file is read.
class Checks {
 public:
  Checks(const Scanner& sc, std::map<std::string_view, Block>& blocks, std::string_view within = {},
         long within_line = 0)
      : sc_(sc), blocks_(blocks), within_(within), within_line_(within_line) {}

  const Block& required(std::string_view name) {
    Block& b = blocks_[name];
    if (!b.present) {
      if (within_.empty())
        throw WfnFileRejected(sc_.file() + ": the required block <" + std::string(name) + "> is missing");
      sc_.fail(within_line_, within_, "the required block <" + std::string(name) + "> is missing");
    }
    return b;
  }
  const Block* optional(std::string_view name) {
    const Block& b = blocks_[name];
    return b.present ? &b : nullptr;
  }

  // A block of one integer, a count that must be positive (or, with
  // `zero_allowed`, not negative).
  std::int32_t count(std::string_view name, const char* what, bool zero_allowed = false) {
    const Block& b = required(name);
    if (b.ints.size() != 1) sc_.fail(b.line, name, std::to_string(b.size()) + " values where one count belongs");
    const std::int32_t n = b.ints[0];
    if (n < 0 || (n == 0 && !zero_allowed))
      sc_.fail(b.line, name, std::string("the number of ") + what + " is " + std::to_string(n) + ", not positive");
    return n;
  }

  // `per` values for each of the `count` the header gives.
  void size_is(const Block& b, std::string_view name, std::size_t count, std::string_view header,
               std::size_t per = 1) {
    if (b.size() == count * per) return;
    std::string what = std::to_string(b.size()) + " values where <" + std::string(header) + "> gives " +
                       std::to_string(count);
    if (per > 1) what += " (" + std::to_string(per) + " values each)";
    sc_.fail(b.line, name, what);
  }

  void centres_in_range(const Block& b, std::string_view name, std::int32_t ncent) {
    for (std::size_t k = 0; k < b.ints.size(); ++k)
      if (b.ints[k] < 1 || b.ints[k] > ncent)
        sc_.fail(b.line, name,
                 "primitive " + std::to_string(k + 1) + " is assigned to centre " + std::to_string(b.ints[k]) +
                     ", outside 1.." + std::to_string(ncent));
  }
  void types_in_range(const Block& b, std::string_view name) {
    for (std::size_t k = 0; k < b.ints.size(); ++k)
      if (b.ints[k] < 1 || b.ints[k] > kMaxPrimitiveType)
        sc_.fail(b.line, name,
                 "primitive " + std::to_string(k + 1) + " has type " + std::to_string(b.ints[k]) + ", outside 1-56");
  }
  void exponents_valid(const Block& b, std::string_view name) {
    const std::string where = sc_.file() + " line " + std::to_string(b.line) + ", <" + std::string(name) + ">";
    for (std::size_t k = 0; k < b.reals.size(); ++k) check_exponent(where, k, b.reals[k]);
  }

  // The centre, type and exponent blocks of `count` primitives (the orbitals'
  // or the core densities'), each present, of that size and valid, checked in
  // that order.
  struct Primitives {
    const Block& centres;
    const Block& types;
    const Block& exponents;
  };
  Primitives primitives(std::string_view centres, std::string_view types, std::string_view exponents,
                        std::size_t count, std::string_view header, std::int32_t ncent) {
    const Block& c = required(centres);
    size_is(c, centres, count, header);
    centres_in_range(c, centres, ncent);
    const Block& t = required(types);
    size_is(t, types, count, header);
    types_in_range(t, types);
    const Block& e = required(exponents);
    size_is(e, exponents, count, header);
    exponents_valid(e, exponents);
    return {c, t, e};
  }

 private:
  const Scanner& sc_;
  std::map<std::string_view, Block>& blocks_;
  std::string_view within_;
  long within_line_;
};

// The label of a nucleus in 8 characters, as a .wfn atom line holds it.
std::string label_of(std::string_view name) {
  std::string s(name.substr(0, 8));
  s.resize(8, ' ');
  return s;
}

void assemble(const Scanner& sc, WfxContent& c, Wavefunction& wfn) {
  Checks ck(sc, c.blocks);
  wfn.ncent = ck.count(kNuclei, "nuclei");
  wfn.nmo = ck.count(kOrbitals, "occupied molecular orbitals");
  wfn.nprims = ck.count(kPrimitives, "primitives");
  const auto ncent = static_cast<std::size_t>(wfn.ncent), np = static_cast<std::size_t>(wfn.nprims),
             nmo = static_cast<std::size_t>(wfn.nmo);

  const Block* names = ck.optional(kNames);
  if (names) ck.size_is(*names, kNames, ncent, kNuclei);
  const Block& numbers = ck.required(kAtomicNumbers);
  ck.size_is(numbers, kAtomicNumbers, ncent, kNuclei);
  for (std::size_t a = 0; a < ncent; ++a)
    if (numbers.ints[a] < 0 || numbers.ints[a] > 118)
      sc.fail(numbers.line, kAtomicNumbers,
              "nucleus " + std::to_string(a + 1) + " has atomic number " + std::to_string(numbers.ints[a]) +
                  ", outside 0-118");
  const Block& charges = ck.required(kCharges);
  ck.size_is(charges, kCharges, ncent, kNuclei);
  for (std::size_t a = 0; a < ncent; ++a)
    if (!nuclear_charge_in_range(charges.reals[a]))
      sc.fail(charges.line, kCharges, "nucleus " + std::to_string(a + 1) + " has a charge outside 0-118");
  const Block& coordinates = ck.required(kCoordinates);
  ck.size_is(coordinates, kCoordinates, ncent, kNuclei, 3);

  const Checks::Primitives prims = ck.primitives(kCentres, kTypes, kExponents, np, kPrimitives, wfn.ncent);

  const Block& occupations = ck.required(kOccupations);
  ck.size_is(occupations, kOccupations, nmo, kOrbitals);
  const Block* energies = ck.optional(kEnergies);
  if (energies) ck.size_is(*energies, kEnergies, nmo, kOrbitals);

  if (!c.coefficients_present)
    throw WfnFileRejected(sc.file() + ": the required block <" + std::string(kCoefficients) + "> is missing");
  if (c.orbitals.size() != nmo)
    sc.fail(c.coefficients_line, kCoefficients,
            std::to_string(c.orbitals.size()) + " orbitals where <" + std::string(kOrbitals) + "> gives " +
                std::to_string(nmo));
  std::vector<double> coef(np * nmo, 0.0);
  std::vector<bool> seen(nmo, false);
  for (const Orbital& o : c.orbitals) {
    if (o.number < 1 || static_cast<std::size_t>(o.number) > nmo)
      sc.fail(o.line, kMoNumber, "orbital number " + std::to_string(o.number) + " outside 1.." + std::to_string(nmo));
    const auto m = static_cast<std::size_t>(o.number - 1);
    if (seen[m]) sc.fail(o.line, kMoNumber, "orbital number " + std::to_string(o.number) + " appears twice");
    seen[m] = true;
    if (o.coef.size() != np)
      sc.fail(o.line, kMoNumber,
              "orbital " + std::to_string(o.number) + " has " + std::to_string(o.coef.size()) +
                  " coefficients where <" + std::string(kPrimitives) + "> gives " + std::to_string(np));
    std::copy(o.coef.begin(), o.coef.end(), coef.begin() + static_cast<std::ptrdiff_t>(m * np));
  }

  if (c.edf_present) {
    Checks edf(sc, c.edf, kEdf, c.edf_line);
    const auto ne = static_cast<std::size_t>(edf.count(kEdfCount, "EDF primitives", true));
    const Checks::Primitives core =
        edf.primitives(kEdfCentres, kEdfTypes, kEdfExponents, ne, kEdfCount, wfn.ncent);
    const Block& eq = edf.required(kEdfCoefficients);
    edf.size_is(eq, kEdfCoefficients, ne, kEdfCount);
    wfn.edf_ict.resize(ne);
    for (std::size_t e = 0; e < ne; ++e) wfn.edf_ict[e] = core.centres.ints[e] - 1;
    wfn.edf_type = core.types.ints;
    wfn.edf_exx = core.exponents.reals;
    wfn.edf_coef = eq.reals;
  }

  wfn.atnam.resize(ncent);
  wfn.xc.resize(ncent);
  wfn.yc.resize(ncent);
  wfn.zc.resize(ncent);
  for (std::size_t a = 0; a < ncent; ++a) {
    wfn.atnam[a] = label_of(names ? std::string_view(names->words[a]) : std::string_view());
    wfn.xc[a] = coordinates.reals[3 * a];
    wfn.yc[a] = coordinates.reals[3 * a + 1];
    wfn.zc[a] = coordinates.reals[3 * a + 2];
  }
  wfn.charg = charges.reals;
  wfn.atomic_number = numbers.ints;
  wfn.po = occupations.reals;
  wfn.eorb = energies ? energies->reals : std::vector<double>(nmo, 0.0);
  store_primitives_sorted(prims.centres.ints, prims.types.ints, prims.exponents.reals, coef, wfn);
}

void read_from(LineReader& in, std::optional<std::string_view> first, Wavefunction& wfn) {
  wfn = Wavefunction{};
  Scanner sc(in, first);
  WfxContent content = scan(sc);
  assemble(sc, content, wfn);
}

}  // namespace

void read_wfx_file(LineReader& in, Wavefunction& wfn) { read_from(in, std::nullopt, wfn); }

void read_wfx_file_from(LineReader& in, std::string_view first, Wavefunction& wfn) { read_from(in, first, wfn); }

}  // namespace tessaro
