#include "run/progress.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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
