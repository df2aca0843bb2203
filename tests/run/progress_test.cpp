#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/vmd_script.hpp"
#include "run/progress.hpp"

namespace tessaro {
namespace {

TEST(UsersVmdScript, LoadsBothCubesAndColoursTheIsosurface) {
  std::ostringstream out;
  vmd_script(out, "rdg.cube", "rhosign.cube");
  EXPECT_EQ(out.str(),
            "# VMD script written by Tessaro: RDG isosurface coloured by rho*sign(lambda2).\n"
            "# Open it with:  vmd -e <this file>\n"
            "# Colours (blue-green-red scale, -0.04 to 0.04 a.u.): blue = attraction\n"
            "# (hydrogen bonds), green = weak (van der Waals), red = steric repulsion.\n"
            "mol new \"rdg.cube\" type cube first 0 last -1 step 1 waitfor all\n"
            "mol addfile \"rhosign.cube\" type cube first 0 last -1 step 1 waitfor all\n"
            "mol delrep 0 top\n"
            "# the molecule\n"
            "mol representation CPK 1.0 0.3 12.0 12.0\n"
            "mol color Name\n"
            "mol selection all\n"
            "mol material Opaque\n"
            "mol addrep top\n"
            "# the RDG isosurface 0.5 (volume 0), coloured by rho*sign(lambda2) (volume 1)\n"
            "mol representation Isosurface 0.5 0 0 0 1 1\n"
            "mol color Volume 1\n"
            "mol selection all\n"
            "mol material Opaque\n"
            "mol addrep top\n"
            "mol scaleminmax top 1 -0.04 0.04\n"
            "color scale method BGR\n"
            "color Display Background white\n"
            "display projection Orthographic\n"
            "axes location Off\n"
            "display resetview\n");
}

TEST(UsersVmdScript, OtherIsovalueAndAwkwardNames) {
  std::ostringstream out;
  vmd_script(out, "my rdg.cube", "a\"b$c[1]\\.cube", 0.3);
  const std::string s = out.str();
  EXPECT_NE(s.find("mol new \"my rdg.cube\" type cube"), std::string::npos);
  EXPECT_NE(s.find("mol addfile \"a\\\"b\\$c\\[1\\]\\\\.cube\" type cube"), std::string::npos);
  EXPECT_NE(s.find("mol representation Isosurface 0.3 0 0 0 1 1\n"), std::string::npos);
  EXPECT_EQ(tcl_quote(""), "\"\"");
}

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

TEST(UsersProgress, DisabledPrintsNothingAndNeverAsksTheClock) {
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

TEST(UsersProgress, EnabledRewritesOneLineAFewTimesPerSecond) {
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

TEST(UsersProgress, ShortPassAndInterruptedPass) {
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

TEST(UsersProgress, LineTexts) {
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
