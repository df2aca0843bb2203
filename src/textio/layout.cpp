// Layouts in the field notation, and the writes and reads they drive.
#include <stdexcept>
#include <string>

#include "textio/textio.hpp"

namespace tessaro::textio {

// The layout unrolled into one flat list of descriptors (repeat counts
// expanded), with the place where the list starts again when it is used up
// and items remain: the last top-level parenthesised group, or the beginning.
struct Layout::Impl {
  enum class Kind : std::uint8_t { I, F, E, ES, A, X, Slash };
  struct Desc {
    Kind kind;
    int w = 0;  // -1 for A without a width
    int d = 0;
  };
  std::vector<Desc> descs;
  std::size_t revert = 0;
  bool has_data = false;
  bool revert_has_data = false;  // starting again must meet a data descriptor, or it would never end
};

namespace {

using Kind = Layout::Impl::Kind;
using Desc = Layout::Impl::Desc;

constexpr std::size_t kMaxDescs = 100000;  // a guard against absurd repeat counts

class LayoutParser {
 public:
  explicit LayoutParser(std::string_view text) : text_(text) {}

  Layout::Impl parse() {
    Layout::Impl impl;
    skip_blanks();
    bool outer = false;
    // An optional pair of parentheses around the whole layout.
    if (pos_ < text_.size() && text_[pos_] == '(') {
      std::size_t depth = 0, i = pos_;
      for (; i < text_.size(); ++i) {
        if (text_[i] == '(') ++depth;
        if (text_[i] == ')' && --depth == 0) break;
      }
      std::size_t rest = i + 1;
      while (rest < text_.size() && text_[rest] == ' ') ++rest;
      if (i < text_.size() && rest == text_.size()) {
        outer = true;
        ++pos_;
        text_ = text_.substr(0, i);
      }
    }
    (void)outer;
    parse_list(impl, true);
    skip_blanks();
    if (pos_ != text_.size()) fail();
    for (std::size_t i = 0; i < impl.descs.size(); ++i) {
      if (impl.descs[i].kind == Kind::X || impl.descs[i].kind == Kind::Slash) continue;
      impl.has_data = true;
      if (i >= impl.revert) impl.revert_has_data = true;
    }
    return impl;
  }

 private:
  [[noreturn]] void fail() const {
    throw std::invalid_argument("malformed layout: \"" + std::string(text_) + "\"");
  }

  void skip_blanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  bool at(char c) {
    skip_blanks();
    return pos_ < text_.size() && (text_[pos_] == c || text_[pos_] == (c | 0x20));
  }

  int number() {
    skip_blanks();
    if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9') fail();
    long v = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      v = v * 10 + (text_[pos_++] - '0');
      if (v > 1000000) fail();
    }
    return static_cast<int>(v);
  }

  bool digit_next() {
    skip_blanks();
    return pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9';
  }

  void push(Layout::Impl& impl, const Desc& d, int repeat) {
    for (int r = 0; r < repeat; ++r) {
      if (impl.descs.size() >= kMaxDescs) fail();
      impl.descs.push_back(d);
    }
  }

  // A comma-separated list up to a ')' or the end. '/' needs no comma.
  void parse_list(Layout::Impl& impl, bool top) {
    bool need_item = true;
    for (;;) {
      skip_blanks();
      if (pos_ >= text_.size() || text_[pos_] == ')') {
        if (need_item && !impl.descs.empty() && !top) fail();
        return;
      }
      if (text_[pos_] == ',') {
        if (need_item) fail();
        ++pos_;
        need_item = true;
        continue;
      }
      if (!need_item && text_[pos_] != '/' && !(impl.descs.size() && impl.descs.back().kind == Kind::Slash)) fail();
      parse_item(impl, top);
      need_item = false;
    }
  }

  void parse_item(Layout::Impl& impl, bool top) {
    int repeat = 1;
    bool has_repeat = false;
    if (digit_next()) {
      repeat = number();
      has_repeat = true;
    }
    skip_blanks();
    if (pos_ >= text_.size()) fail();
    char c = static_cast<char>(text_[pos_] & ~0x20);
    if (text_[pos_] == '(') {
      ++pos_;
      Layout::Impl group;
      parse_list(group, false);
      if (!at(')')) fail();
      ++pos_;
      if (group.descs.empty()) fail();
      if (top) impl.revert = impl.descs.size();
      for (int r = 0; r < repeat; ++r)
        for (const Desc& d : group.descs) push(impl, d, 1);
      return;
    }
    if (text_[pos_] == '/') {
      ++pos_;
      push(impl, {Kind::Slash, 0, 0}, repeat);
      return;
    }
    if (c == 'X') {
      // nX: the count is the number of blanks.
      ++pos_;
      push(impl, {Kind::X, has_repeat ? repeat : 1, 0}, 1);
      return;
    }
    ++pos_;
    Desc d{Kind::I, 0, 0};
    if (c == 'I') {
      d.kind = Kind::I;
      d.w = number();
    } else if (c == 'A') {
      d.kind = Kind::A;
      d.w = digit_next() ? number() : -1;
    } else if (c == 'F' || c == 'E') {
      d.kind = c == 'F' ? Kind::F : Kind::E;
      if (c == 'E' && pos_ < text_.size() && (text_[pos_] & ~0x20) == 'S') {
        d.kind = Kind::ES;
        ++pos_;
      }
      d.w = number();
      if (!at('.')) fail();
      ++pos_;
      d.d = number();
    } else {
      fail();
    }
    if (d.w == 0 && d.kind != Kind::A) fail();
    push(impl, d, repeat);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool is_data(Kind k) { return k != Kind::X && k != Kind::Slash; }

[[noreturn]] void wrong_item(const char* what) {
  throw std::invalid_argument(std::string("item does not match its descriptor: ") + what);
}

void write_item(std::string& out, const Desc& d, const OutItem& item) {
  switch (d.kind) {
    case Kind::I:
      if (auto p = std::get_if<std::int32_t>(&item)) return put_I(out, *p, d.w);
      wrong_item("I");
    case Kind::F:
    case Kind::E:
    case Kind::ES: {
      double v;
      if (auto p = std::get_if<double>(&item)) v = *p;
      else if (auto q = std::get_if<float>(&item)) v = static_cast<double>(*q);  // exact
      else wrong_item("F/E/ES");
      if (d.kind == Kind::F) return put_F(out, v, d.w, d.d);
      if (d.kind == Kind::E) return put_E(out, v, d.w, d.d);
      return put_ES(out, v, d.w, d.d);
    }
    case Kind::A:
      if (auto p = std::get_if<std::string_view>(&item)) {
        if (d.w < 0) {
          out.append(*p);
          return;
        }
        return put_A(out, *p, d.w);
      }
      wrong_item("A");
    default:
      return;
  }
}

}  // namespace

Layout Layout::parse(std::string_view text) {
  Layout layout;
  *layout.impl_ = LayoutParser(text).parse();
  return layout;
}

Layout::Layout() : impl_(std::make_unique<Impl>()) {}
Layout::~Layout() = default;
Layout::Layout(const Layout& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
Layout& Layout::operator=(const Layout& other) {
  if (this != &other) *impl_ = *other.impl_;
  return *this;
}
Layout::Layout(Layout&& other) noexcept : impl_(std::move(other.impl_)) {}
Layout& Layout::operator=(Layout&& other) noexcept {
  impl_.swap(other.impl_);
  return *this;
}

void write_record(std::string& out, const Layout& layout, std::span<const OutItem> items) {
  const Layout::Impl& L = layout.impl();
  if (!items.empty() && !L.has_data) throw std::invalid_argument("layout without data descriptors");
  std::size_t next = 0;
  std::size_t pending_blanks = 0;  // nX moves the position; blanks appear only before a later field
  std::size_t pos = 0;
  for (;;) {
    if (pos == L.descs.size()) {
      out.push_back('\n');
      if (next == items.size()) return;
      if (!L.revert_has_data) throw std::invalid_argument("layout starts again without data descriptors");
      pending_blanks = 0;
      pos = L.revert;
      continue;
    }
    const Desc& d = L.descs[pos];
    if (is_data(d.kind)) {
      if (next == items.size()) {
        out.push_back('\n');
        return;
      }
      out.append(pending_blanks, ' ');
      pending_blanks = 0;
      write_item(out, d, items[next++]);
    } else if (d.kind == Kind::X) {
      pending_blanks += static_cast<std::size_t>(d.w);
    } else {
      out.push_back('\n');
      pending_blanks = 0;
    }
    ++pos;
  }
}

namespace {

void read_item(LineReader& in, std::string_view line, std::size_t col, const Desc& d, const InItem& item) {
  // A line that ends inside the field reads as padded with blanks.
  std::size_t w = d.w >= 0 ? static_cast<std::size_t>(d.w) : 0;
  if (d.kind == Kind::A && d.w < 0) {
    if (auto s = std::get_if<std::string*>(&item)) w = (*s)->size();
  }
  std::string_view field = col < line.size() ? line.substr(col, w) : std::string_view();
  bool ok = true;
  switch (d.kind) {
    case Kind::I:
      if (auto p = std::get_if<std::int32_t*>(&item)) ok = parse_int(field, **p);
      else wrong_item("I");
      break;
    case Kind::F:
    case Kind::E:
    case Kind::ES:
      if (auto p = std::get_if<double*>(&item)) ok = parse_real(field, d.d, **p);
      else if (auto q = std::get_if<float*>(&item)) ok = parse_real(field, d.d, **q);
      else wrong_item("F/E/ES");
      break;
    case Kind::A:
      if (auto p = std::get_if<std::string*>(&item)) {
        std::string& s = **p;
        std::size_t len = s.size();
        std::string padded(field);
        padded.resize(w, ' ');
        if (w >= len) {
          s.assign(padded, w - len, len);
        } else {
          s.assign(padded);
          s.resize(len, ' ');
        }
      } else {
        wrong_item("A");
      }
      break;
    default:
      wrong_item("L");
  }
  if (!ok) in.fail_bad_value();
}

std::size_t field_width(const Desc& d, const InItem& item) {
  if (d.kind == Kind::A && d.w < 0)
    if (auto s = std::get_if<std::string*>(&item)) return (*s)->size();
  return static_cast<std::size_t>(d.w);
}

}  // namespace

void read_record(LineReader& in, const Layout& layout, std::span<const InItem> items) {
  const Layout::Impl& L = layout.impl();
  if (!items.empty() && !L.has_data) throw std::invalid_argument("layout without data descriptors");
  std::string_view line = in.require();
  std::size_t col = 0;
  std::size_t next = 0;
  std::size_t pos = 0;
  for (;;) {
    if (pos == L.descs.size()) {
      if (next == items.size()) return;
      if (!L.revert_has_data) throw std::invalid_argument("layout starts again without data descriptors");
      line = in.require();
      col = 0;
      pos = L.revert;
      continue;
    }
    const Desc& d = L.descs[pos];
    if (is_data(d.kind)) {
      if (next == items.size()) return;
      const InItem& item = items[next++];
      read_item(in, line, col, d, item);
      col += field_width(d, item);
    } else if (d.kind == Kind::X) {
      col += static_cast<std::size_t>(d.w);
    } else {
      line = in.require();
      col = 0;
    }
    ++pos;
  }
}

}  // namespace tessaro::textio
