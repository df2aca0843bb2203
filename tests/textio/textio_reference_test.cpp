// The text layer against the reference vectors in tests/data/textio: every
// row flagged S must match character for character (or bit for bit); rows
// flagged O need only run without a crash.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.hpp"
#include "textio/textio.hpp"

namespace tx = tessaro::textio;

namespace {

const std::string kDir = std::string(TESSARO_TEST_DATA) + "/textio/";

// Splits a line at TABs, keeping empty columns.
std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> cols;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    cols.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cols;
}

// A quoted text of the reference files: \\ \" \t \n escapes.
std::string unquote(std::string_view q) {
  std::string s;
  if (q.size() < 2 || q.front() != '"' || q.back() != '"') {
    ADD_FAILURE() << "not a quoted text: " << q;
    return s;
  }
  for (std::size_t i = 1; i + 1 < q.size(); ++i) {
    char c = q[i];
    if (c == '\\' && i + 2 < q.size()) {
      char e = q[++i];
      s.push_back(e == 't' ? '\t' : e == 'n' ? '\n' : e);
    } else {
      s.push_back(c);
    }
  }
  return s;
}

// The rows of one file (header line dropped). Rows stay paired with their line
// numbers for the failure messages.
struct Row {
  int line;
  std::vector<std::string> cols;
};

std::vector<Row> load(const std::string& name) {
  EXPECT_TRUE(std::filesystem::is_regular_file(kDir + name)) << "missing reference file " << kDir + name;
  std::vector<Row> rows;
  int n = 0;
  for (const std::string& line : tessaro::testing::lines_of(tessaro::testing::read_file(kDir + name))) {
    ++n;
    if (line.empty() || line[0] == '#') continue;
    rows.push_back({n, split_tabs(line)});
  }
  return rows;
}

double r8_bits(const std::string& hex) { return std::bit_cast<double>(std::stoull(hex, nullptr, 16)); }
float r4_bits(const std::string& hex) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
}
std::int32_t i4_bits(const std::string& hex) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
}

struct Descriptor {
  std::string kind;  // I F E ES A
  int w = 0;
  int d = 0;
};

Descriptor parse_descriptor(const std::string& s) {
  Descriptor d;
  std::size_t i = 0;
  while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
  d.kind = s.substr(0, i);
  std::size_t dot = s.find('.');
  d.w = i < s.size() ? std::stoi(s.substr(i, dot - i)) : -1;
  d.d = dot == std::string::npos ? 0 : std::stoi(s.substr(dot + 1));
  return d;
}

std::string format_field(const Descriptor& d, const std::string& kind, const std::string& bits) {
  std::string out;
  if (kind == "i4") {
    tx::put_I(out, i4_bits(bits), d.w);
    return out;
  }
  double v = kind == "r8" ? r8_bits(bits) : static_cast<double>(r4_bits(bits));
  if (d.kind == "F") tx::put_F(out, v, d.w, d.d);
  else if (d.kind == "E") tx::put_E(out, v, d.w, d.d);
  else if (d.kind == "ES") tx::put_ES(out, v, d.w, d.d);
  else ADD_FAILURE() << "unknown descriptor " << d.kind;
  return out;
}

// Counts of checked rows, so a test that silently checks nothing fails.
struct Tally {
  int strict = 0;
  int open = 0;
  int failures = 0;
  bool note_failure() { return ++failures <= 25; }  // report the first few in full
};

const char* const kOutFiles[] = {"I2", "I3", "I4", "I5", "I15", "F3.1", "F4.2", "F5.1", "F12.6", "F12.8", "F13.8",
                                 "F20.12", "E11.3", "E13.5", "E14.7", "E15.8", "E16.8", "E18.10", "E20.12",
                                 "E21.12", "ES13.5", "ES14.7", "ES14.8"};
const char* const kInFiles[] = {"I2", "I3", "I4", "I5", "I15", "F3.1", "F5.1", "F12.6", "F12.8", "F13.8", "F20.12",
                                "E11.3", "E13.5", "E14.7", "E15.8", "E16.8", "E18.10", "E20.12", "E21.12"};

}  // namespace

TEST(TextioReference, FixedFieldOutput) {
  Tally t;
  for (const char* name : kOutFiles) {
    for (const Row& r : load(std::string("out_") + name + ".tsv")) {
      ASSERT_GE(r.cols.size(), 6u) << name << ":" << r.line;
      Descriptor d = parse_descriptor(r.cols[0]);
      std::string got = format_field(d, r.cols[1], r.cols[2]);
      if (r.cols[5] != "S") {
        ++t.open;
        EXPECT_EQ(got.size(), static_cast<std::size_t>(d.w)) << name << ":" << r.line;
        continue;
      }
      ++t.strict;
      std::string want = unquote(r.cols[4]);
      if (got != want && t.note_failure())
        ADD_FAILURE() << "out_" << name << ".tsv:" << r.line << " " << r.cols[1] << " " << r.cols[3] << " got \""
                      << got << "\" want \"" << want << "\"";
    }
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 10000);
}

TEST(TextioReference, FixedFieldInput) {
  Tally t;
  for (const char* name : kInFiles) {
    for (const Row& r : load(std::string("in_") + name + ".tsv")) {
      ASSERT_GE(r.cols.size(), 6u) << name << ":" << r.line;
      Descriptor d = parse_descriptor(r.cols[0]);
      const std::string& kind = r.cols[1];
      // Exactly w columns are taken, whatever the row holds beyond them.
      std::string row_text = unquote(r.cols[2]);
      std::string_view field = tx::columns(row_text, 1, d.w);
      const std::string& want = r.cols[3];
      bool ok = false;
      std::string got;
      char hex[24];
      if (kind == "i4") {
        std::int32_t v = 0;
        ok = tx::parse_int(field, v);
        std::snprintf(hex, sizeof hex, "%08x", static_cast<std::uint32_t>(v));
      } else if (kind == "r8") {
        double v = 0;
        ok = tx::parse_real(field, d.d, v);
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v)));
      } else {
        float v = 0;
        ok = tx::parse_real(field, d.d, v);
        std::snprintf(hex, sizeof hex, "%08x", std::bit_cast<std::uint32_t>(v));
      }
      got = ok ? hex : "ERROR";
      if (r.cols[5] != "S") {
        ++t.open;
        continue;
      }
      ++t.strict;
      if (got != want && t.note_failure())
        ADD_FAILURE() << "in_" << name << ".tsv:" << r.line << " " << kind << " \"" << field << "\" got " << got
                      << " want " << want;
    }
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 10000);
}

TEST(TextioReference, TextFields) {
  Tally t;
  for (const Row& r : load("out_text.tsv")) {
    ASSERT_GE(r.cols.size(), 5u) << r.line;
    Descriptor d = parse_descriptor(r.cols[0]);
    std::string text = unquote(r.cols[2]);
    ASSERT_EQ(text.size(), std::stoul(r.cols[1])) << r.line;
    std::string got;
    if (d.w < 0) got = text;  // A: the whole declared length
    else tx::put_A(got, text, d.w);
    // The same field through a layout.
    std::string rec;
    tx::OutItem item = std::string_view(text);
    tx::write_record(rec, tx::Layout::parse(r.cols[0]), std::span(&item, 1));
    if (r.cols[4] != "S") continue;
    ++t.strict;
    std::string want = unquote(r.cols[3]);
    if ((got != want || rec != want + "\n") && t.note_failure())
      ADD_FAILURE() << "out_text.tsv:" << r.line << " got \"" << got << "\" / \"" << rec << "\" want \"" << want
                    << "\"";
  }
  for (const Row& r : load("in_text.tsv")) {
    ASSERT_GE(r.cols.size(), 5u) << r.line;
    std::string field = unquote(r.cols[2]);
    std::string item(std::stoul(r.cols[1]), '?');
    std::istringstream in(field + "\n");
    tx::LineReader reader(in, "in_text");
    tx::InItem it = &item;
    tx::read_record(reader, tx::Layout::parse(r.cols[0]), std::span(&it, 1));
    if (r.cols[4] != "S") continue;
    ++t.strict;
    std::string want = unquote(r.cols[3]);
    if (item != want && t.note_failure())
      ADD_FAILURE() << "in_text.tsv:" << r.line << " got \"" << item << "\" want \"" << want << "\"";
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 100);
}

namespace {

// Items of the record and free-form files: TYPE:VALUE.
struct OutItems {
  std::vector<std::string> texts;  // owners of the text items
  std::vector<tx::OutItem> items;
};

OutItems out_items(const std::vector<std::string>& cols, std::size_t first) {
  OutItems o;
  o.texts.reserve(cols.size());
  for (std::size_t i = first; i < cols.size(); ++i) {
    const std::string& c = cols[i];
    std::size_t colon = c.find(':');
    std::string type = c.substr(0, colon), v = c.substr(colon + 1);
    if (type == "A") {
      o.texts.push_back(unquote(v));
      o.items.push_back(std::string_view(o.texts.back()));
    } else if (type == "I4") {
      o.items.push_back(static_cast<std::int32_t>(std::stol(v)));
    } else if (type == "R8") {
      o.items.push_back(r8_bits(v));
    } else if (type == "R4") {
      o.items.push_back(r4_bits(v));
    } else if (type == "L") {
      o.items.push_back(v == "T");
    } else {
      ADD_FAILURE() << "unknown item " << c;
    }
  }
  return o;
}

// Items of a read: storage for each, its starting value, and how to print it
// back as TYPE:VALUE for comparison.
struct InSlot {
  std::string type;  // I4 R8 R4 An
  std::int32_t i = 0x5a5a5a5a;
  double r8 = -1234.5;
  float r4 = -1234.5f;
  std::string text;
  std::string before;  // the printed value on entry, to recognise "-"

  std::string printed() const {
    char hex[24];
    if (type == "I4") return "I4:" + std::to_string(i);
    if (type == "R8") {
      std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(r8)));
      return std::string("R8:") + hex;
    }
    if (type == "R4") {
      std::snprintf(hex, sizeof hex, "%08x", std::bit_cast<std::uint32_t>(r4));
      return std::string("R4:") + hex;
    }
    std::string q = "\"";
    for (char c : text) {
      if (c == '"' || c == '\\') q.push_back('\\');
      if (c == '\t') {
        q += "\\t";
        continue;
      }
      q.push_back(c);
    }
    return type + ":" + q + "\"";
  }
};

void init_slot(InSlot& s, const std::string& type) {
  s.type = type;
  if (type[0] == 'A') s.text.assign(std::stoul(type.substr(1)), '#');
  s.before = s.printed();
}

// Compares one item with its expectation: "-" (unchanged), "*" (anything) or a value.
bool item_matches(const InSlot& s, const std::string& want) {
  std::string v = want.substr(want.find(':') + 1);
  // A text item that reads a lone "-" shows as "-" too: the files cannot tell
  // it from an unchanged item.
  if (v == "-") return s.printed() == s.before || (s.type[0] == 'A' && s.text.find_first_not_of(' ', 1) == std::string::npos && s.text[0] == '-');
  if (v == "*") return true;
  if (s.type[0] == 'A') return s.printed() == s.type + ":" + v;
  return s.printed() == want;
}

}  // namespace

TEST(TextioReference, RecordOutput) {
  Tally t;
  for (const Row& r : load("out_records.tsv")) {
    ASSERT_GE(r.cols.size(), 6u) << r.line;
    OutItems o = out_items(r.cols, 6);
    std::string got;
    tx::write_record(got, tx::Layout::parse(r.cols[1]), o.items);
    if (r.cols[4] != "S") continue;
    ++t.strict;
    std::string want = unquote(r.cols[3]) + "\n";
    EXPECT_EQ(std::count(want.begin(), want.end(), '\n'), std::stol(r.cols[2])) << r.line;
    if (got != want && t.note_failure())
      ADD_FAILURE() << "out_records.tsv:" << r.line << " " << r.cols[0] << " " << r.cols[1] << "\ngot  \"" << got
                    << "\"\nwant \"" << want << "\"";
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 500);
}

TEST(TextioReference, RecordInput) {
  Tally t;
  for (const Row& r : load("in_records.tsv")) {
    ASSERT_GE(r.cols.size(), 7u) << r.line;
    std::vector<InSlot> slots(r.cols.size() - 7);
    std::vector<tx::InItem> items;
    for (std::size_t k = 0; k < slots.size(); ++k) {
      const std::string& c = r.cols[7 + k];
      init_slot(slots[k], c.substr(0, c.find(':')));
    }
    for (InSlot& s : slots) {
      if (s.type == "I4") items.push_back(&s.i);
      else if (s.type == "R8") items.push_back(&s.r8);
      else if (s.type == "R4") items.push_back(&s.r4);
      else items.push_back(&s.text);
    }
    // A file of no lines is empty, not one empty line.
    std::istringstream in(r.cols[3] == "0" ? std::string() : unquote(r.cols[2]) + "\n");
    tx::LineReader reader(in, "records.txt");
    std::string status = "OK";
    try {
      tx::read_record(reader, tx::Layout::parse(r.cols[1]), items);
    } catch (const tx::TextIoError& e) {
      status = e.kind() == tx::TextIoError::Kind::BadValue ? "ERROR" : "EOF";
      EXPECT_EQ(e.file(), "records.txt");
    }
    if (r.cols[5] != "S") continue;
    ++t.strict;
    bool ok = status == r.cols[4];
    std::string detail;
    for (std::size_t k = 0; k < slots.size(); ++k) {
      if (!item_matches(slots[k], r.cols[7 + k])) {
        ok = false;
        detail += " item " + std::to_string(k + 1) + " " + slots[k].printed() + " want " + r.cols[7 + k];
      }
    }
    if (!ok && t.note_failure())
      ADD_FAILURE() << "in_records.tsv:" << r.line << " " << r.cols[0] << " " << r.cols[1] << " status " << status
                    << " want " << r.cols[4] << detail;
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 200);
}

TEST(TextioReference, FreeFormOutput) {
  Tally t;
  for (const Row& r : load("free_out_items.tsv")) {
    ASSERT_GE(r.cols.size(), 6u) << r.line;
    std::string got;
    if (r.cols[1] == "r8") tx::put_free_r8(got, r8_bits(r.cols[2]));
    else if (r.cols[1] == "r4") tx::put_free_r4(got, r4_bits(r.cols[2]));
    else tx::put_free_i4(got, i4_bits(r.cols[2]));
    if (r.cols[5] != "S") continue;
    ++t.strict;
    std::string want = unquote(r.cols[4]);
    if (got != want && t.note_failure())
      ADD_FAILURE() << "free_out_items.tsv:" << r.line << " " << r.cols[1] << " " << r.cols[3] << " got \"" << got
                    << "\" want \"" << want << "\"";
  }
  for (const Row& r : load("free_out_lines.tsv")) {
    ASSERT_GE(r.cols.size(), 3u) << r.line;
    OutItems o = out_items(r.cols, 4);
    tx::FreeLine line;
    for (const tx::OutItem& it : o.items) {
      if (auto p = std::get_if<std::string_view>(&it)) line.text(*p);
      else if (auto i = std::get_if<std::int32_t>(&it)) line.i4(*i);
      else if (auto d = std::get_if<double>(&it)) line.r8(*d);
      else if (auto f = std::get_if<float>(&it)) line.r4(*f);
      else line.logical(std::get<bool>(it));
    }
    if (r.cols[2] != "S") continue;
    ++t.strict;
    std::string want = unquote(r.cols[1]);
    if (line.str() != want && t.note_failure())
      ADD_FAILURE() << "free_out_lines.tsv:" << r.line << " got \"" << line.str() << "\" want \"" << want << "\"";
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 1000);
}

TEST(TextioReference, FreeFormInput) {
  Tally t;
  for (const Row& r : load("free_in.tsv")) {
    ASSERT_GE(r.cols.size(), 7u) << r.line;
    // reads: "R8,R8;I4" -> one list of types per read.
    std::vector<std::vector<std::string>> reads;
    {
      std::stringstream rs(r.cols[3]);
      std::string one;
      while (std::getline(rs, one, ';')) {
        reads.emplace_back();
        std::stringstream ts(one);
        std::string type;
        while (std::getline(ts, type, ',')) reads.back().push_back(type);
      }
    }
    std::vector<std::string> want_status;
    {
      std::stringstream ss(r.cols[4]);
      std::string s;
      while (std::getline(ss, s, ';')) want_status.push_back(s);
    }
    std::istringstream in(r.cols[2] == "0" ? std::string() : unquote(r.cols[1]) + "\n");
    tx::LineReader reader(in, "free.txt");
    tx::FreeReader fr(reader);
    std::size_t col = 7;
    bool ok = true;
    std::string detail;
    for (std::size_t k = 0; k < reads.size() && k < want_status.size(); ++k) {
      std::vector<InSlot> slots(reads[k].size());
      std::vector<tx::FreeItem> items;
      for (std::size_t j = 0; j < slots.size(); ++j) init_slot(slots[j], reads[k][j]);
      for (InSlot& s : slots) {
        if (s.type == "I4") items.push_back(&s.i);
        else if (s.type == "R8") items.push_back(&s.r8);
        else if (s.type == "R4") items.push_back(&s.r4);
        else items.push_back(&s.text);
      }
      tx::ReadStatus st = fr.read(items);
      std::string got = st == tx::ReadStatus::Ok ? "OK" : st == tx::ReadStatus::Error ? "ERROR" : "EOF";
      if (got != want_status[k]) {
        ok = false;
        detail += " read " + std::to_string(k + 1) + " status " + got + " want " + want_status[k];
      }
      for (std::size_t j = 0; j < slots.size() && col < r.cols.size(); ++j, ++col) {
        if (!item_matches(slots[j], r.cols[col])) {
          ok = false;
          detail += " read " + std::to_string(k + 1) + " item " + std::to_string(j + 1) + " " + slots[j].printed() +
                    " want " + r.cols[col];
        }
      }
      if (got != "OK") break;
    }
    if (r.cols[5] != "S") continue;
    ++t.strict;
    if (!ok && t.note_failure())
      ADD_FAILURE() << "free_in.tsv:" << r.line << " " << r.cols[0] << " " << r.cols[1] << detail;
  }
  EXPECT_EQ(t.failures, 0);
  EXPECT_GT(t.strict, 300);
}
