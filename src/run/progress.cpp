#include "run/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <utility>

#include "run/threads.hpp"

namespace tessaro {

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

namespace {

double steady_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void append_uint(std::string& out, std::uint64_t value, int min_digits) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  for (int pad = min_digits - static_cast<int>(res.ptr - buf); pad > 0; --pad) out.push_back('0');
  out.append(buf, res.ptr);
}

// Time left as m:ss, or h:mm:ss from one hour on.
void append_duration(std::string& out, std::uint64_t seconds) {
  const std::uint64_t hours = seconds / 3600;
  const std::uint64_t minutes = (seconds / 60) % 60;
  if (hours > 0) {
    append_uint(out, hours, 1);
    out.push_back(':');
    append_uint(out, minutes, 2);
  } else {
    append_uint(out, minutes, 1);
  }
  out.push_back(':');
  append_uint(out, seconds % 60, 2);
}

}  // namespace

Progress::Progress(std::ostream& err, bool enabled, std::string label, std::size_t total)
    : Progress(err, enabled, std::move(label), total, Clock{}) {}

Progress::Progress(std::ostream& err, bool enabled, std::string label, std::size_t total, Clock clock)
    : err_(err), enabled_(enabled), label_(std::move(label)), total_(total), clock_(std::move(clock)) {
  if (!enabled_) return;  // next_check_ stays out of reach: no clock, no output
  if (!clock_) clock_ = steady_seconds;
  // About a thousand looks at the clock over the whole pass, whatever its size.
  stride_ = std::max<std::size_t>(1, total_ / 1000);
  next_check_ = stride_;
  start_ = clock_();
  last_line_ = start_;
}

Progress::~Progress() {
  // A run that ends in the middle of a pass leaves the partial line; the
  // messages that follow must start on a line of their own.
  if (showing_ && !finished_) {
    try {
      err_.put('\n');
      err_.flush();
    } catch (...) {
    }
  }
}

std::string Progress::line_text(const std::string& label, std::size_t done, std::size_t total, double elapsed) {
  std::string out = label;
  out += ": ";
  if (done >= total) {
    out += "100% done";
    return out;
  }
  const double fraction = static_cast<double>(done) / static_cast<double>(total);
  // Never 100% before the end, whatever the rounding of a huge total.
  const auto percent = std::min<std::uint64_t>(99, static_cast<std::uint64_t>(fraction * 100.0));
  append_uint(out, percent, 1);
  out += "% done";
  if (done > 0 && elapsed >= 0.0) {
    const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
    out += ", ";
    append_duration(out, static_cast<std::uint64_t>(std::llround(std::min(left, 3.6e9))));
    out += " left";
  }
  return out;
}

void Progress::advance_in_parallel(std::size_t n) {
  if (!enabled_) return;
  const std::size_t done = parallel_done_.fetch_add(n, std::memory_order_relaxed) + n;
  if (thread_index() == 0) update(done);
}

void Progress::check() {
  next_check_ = done_ > std::numeric_limits<std::size_t>::max() - stride_ ? std::numeric_limits<std::size_t>::max()
                                                                          : done_ + stride_;
  if (done_ >= total_) return;  // finish() writes the last line
  const double now = clock_();
  if (now - start_ < kFirstLineAfter) return;
  if (showing_ && now - last_line_ < kLineInterval) return;
  last_line_ = now;
  show(line_text(label_, done_, total_, now - start_));
}

void Progress::show(const std::string& text) {
  std::string line = "\r" + text;
  // Blanks over the rest of a longer earlier line.
  if (text.size() < shown_width_) line.append(shown_width_ - text.size(), ' ');
  shown_width_ = std::max(shown_width_, text.size());
  err_.write(line.data(), static_cast<std::streamsize>(line.size()));
  err_.flush();
  showing_ = true;
}

void Progress::finish() {
  if (finished_) return;
  finished_ = true;
  next_check_ = std::numeric_limits<std::size_t>::max();
  if (!showing_) return;
  show(line_text(label_, total_, total_, 0.0));
  err_.put('\n');
  err_.flush();
}

}  // namespace tessaro
