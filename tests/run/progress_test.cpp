#include "run/progress.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run/threads.hpp"

namespace tessaro {
namespace {

// A clock the test moves by hand, counting how often it is asked.
struct ManualClock {
  double now = 100.0;
  int calls = 0;
  Progress::Clock fn() {
    return [this] {
      ++calls;
      return now;
    };
  }
};

TEST(Progress, DisabledPrintsNothingAndNeverAsksTheClock) {
  std::ostringstream err;
  ManualClock clock;
  {
    Progress p(err, false, "RDG", 1000, clock.fn());
    for (int i = 0; i < 1000; ++i) {
      clock.now += 1.0;
      p.advance();
    }
    p.update(500);
    p.finish();
  }
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(clock.calls, 0);
}

TEST(Progress, EnabledRewritesOneLineAFewTimesPerSecond) {
  std::ostringstream err;
  ManualClock clock;
  Progress p(err, true, "WFN rows", 100, clock.fn());
  p.advance(10);  // 0.1 s: too early for a line, a short pass stays silent
  clock.now += 0.1;
  p.advance(10);
  EXPECT_EQ(err.str(), "");
  clock.now += 0.9;  // 1 s for 25%: 3 s left
  p.update(25);
  EXPECT_EQ(err.str(), "\rWFN rows: 25% done, 0:03 left");
  clock.now += 0.1;  // within a quarter second: no new line
  p.advance(5);
  EXPECT_EQ(err.str(), "\rWFN rows: 25% done, 0:03 left");
  clock.now += 0.2;  // 1.3 s for 50%
  p.update(50);
  EXPECT_EQ(err.str(), "\rWFN rows: 25% done, 0:03 left\rWFN rows: 50% done, 0:01 left");
  p.finish();
  p.finish();  // a second finish adds nothing
  // The last line covers the longer one before it with blanks.
  EXPECT_EQ(err.str(),
            "\rWFN rows: 25% done, 0:03 left\rWFN rows: 50% done, 0:01 left"
            "\rWFN rows: 100% done          \n");
}

TEST(Progress, ShortPassAndInterruptedPass) {
  std::ostringstream quick;
  ManualClock clock;
  {
    Progress p(quick, true, "RDG", 10, clock.fn());
    p.advance(10);
    p.finish();
  }
  EXPECT_EQ(quick.str(), "");

  // A run that ends in the middle of a pass: the line is closed so that the
  // next message starts on a line of its own.
  std::ostringstream cut;
  {
    Progress p(cut, true, "RDG", 4, clock.fn());
    clock.now += 2.0;
    p.advance();
  }
  EXPECT_EQ(cut.str(), "\rRDG: 25% done, 0:06 left\n");
}

// In a parallel loop every thread counts and only the first writes: the
// lines follow one another whole, never going back, and the count of all
// threads reaches the total.
TEST(Progress, FromEveryThreadOfAParallelLoopOneLineAtATime) {
  std::ostringstream err;
  double now = 0.0;  // the clock moves a little each time it is asked
  Progress p(err, true, "WFN rows", 4000, [&now] { return now += 0.01; });
  set_thread_count(4);
  // A static schedule gives the first thread a quarter of the rows, so it
  // surely looks at the clock often enough to write.
  TESSARO_OMP(omp parallel for schedule(static))
  for (int r = 0; r < 4000; ++r) p.advance_in_parallel();
  p.finish();
  const std::string text = err.str();
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(text.back(), '\n');
  const std::regex line(R"(WFN rows: ([0-9]+)% done(, [0-9]+:[0-9][0-9] left)? *)");
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size() - 1;) {
    ASSERT_EQ(text[at], '\r') << text;
    const std::size_t next = std::min(text.find('\r', at + 1), text.size() - 1);
    lines.push_back(text.substr(at + 1, next - at - 1));
    at = next;
  }
  ASSERT_GE(lines.size(), 2u) << text;
  int last = 0;
  for (const std::string& l : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, line)) << l;
    EXPECT_GE(std::stoi(m[1]), last) << text;
    last = std::stoi(m[1]);
  }
  EXPECT_EQ(last, 100);
}

TEST(Progress, LineTexts) {
  EXPECT_EQ(Progress::line_text("RDG", 0, 200, 5.0), "RDG: 0% done");
  EXPECT_EQ(Progress::line_text("RDG", 1, 200, 5.0), "RDG: 0% done, 16:35 left");
  EXPECT_EQ(Progress::line_text("RDG", 1, 1000, 10.0), "RDG: 0% done, 2:46:30 left");
  EXPECT_EQ(Progress::line_text("RDG", 199, 200, 5.0), "RDG: 99% done, 0:00 left");
  EXPECT_EQ(Progress::line_text("RDG", 999999999, 1000000000, 5.0), "RDG: 99% done, 0:00 left");
  EXPECT_EQ(Progress::line_text("RDG", 200, 200, 5.0), "RDG: 100% done");
  EXPECT_EQ(Progress::line_text("RDG", 0, 0, 0.0), "RDG: 100% done");
}

}  // namespace
}  // namespace tessaro
