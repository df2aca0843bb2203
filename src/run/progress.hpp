#pragma once
// Progress of a long pass over a grid on standard error, for a user watching
// a terminal: "label: 42% done, 0:13 left", rewritten in place with a
// carriage return a few times per second. Files and report never see it.
#include <atomic>
#include <cstddef>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

namespace tessaro {

// True when standard error is a terminal: only then is progress worth showing.
bool stderr_is_terminal();

class Progress {
 public:
  // Seconds from any fixed origin; tests inject their own clock.
  using Clock = std::function<double()>;

  // Nothing is shown before this many seconds have passed (short passes stay
  // silent), and lines follow each other at least this far apart.
  static constexpr double kFirstLineAfter = 0.5;
  static constexpr double kLineInterval = 0.25;

  Progress(std::ostream& err, bool enabled, std::string label, std::size_t total);
  Progress(std::ostream& err, bool enabled, std::string label, std::size_t total, Clock clock);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Disabled, both cost one addition (or store) and one comparison: the
  // next check point is then never reached and the clock is never asked.
  void advance(std::size_t n = 1) {
    done_ += n;
    if (done_ >= next_check_) check();
  }
  void update(std::size_t done) {
    done_ = done;
    if (done_ >= next_check_) check();
  }
  // The same from inside a parallel loop: every thread counts into one
  // shared counter, and only the thread that started the loop looks at the
  // clock and writes, so the line stays one line. A pass counts either this
  // way or with advance(), not both.
  void advance_in_parallel(std::size_t n = 1);

  // Ends the line: when a progress line is showing, it is rewritten as
  // "label: 100% done" and closed with a line end. Silent otherwise.
  void finish();

  // The text of one progress line, without carriage return or padding.
  static std::string line_text(const std::string& label, std::size_t done, std::size_t total, double elapsed);

 private:
  void check();
  void show(const std::string& text);

  std::ostream& err_;
  bool enabled_;
  std::string label_;
  std::size_t total_;
  Clock clock_;
  std::size_t done_ = 0;
  std::atomic<std::size_t> parallel_done_{0};
  std::size_t next_check_ = std::numeric_limits<std::size_t>::max();
  std::size_t stride_ = 1;
  double start_ = 0.0;
  double last_line_ = 0.0;
  std::size_t shown_width_ = 0;
  bool showing_ = false;
  bool finished_ = false;
};

}  // namespace tessaro
