#include "run/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <set>
#include <string>

#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/folder_run.hpp"
#include "support/program.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

// The tests name their files by whole paths into the run's temporary folder.
class RunOutputFile : public ::testing::Test {
 protected:
  FolderRun t_;
  const fs::path dir_ = t_.folder.path();
  tessaro::Run& run_ = t_.run;
};

TEST_F(RunOutputFile, CompleteFileAppearsUnderItsNameOnlyAfterCommit) {
  const std::string name = (dir_ / "rdg.cube").string();
  {
    OutputFile out(run_, name);
    out.stream() << "values\n";
    EXPECT_FALSE(fs::exists(name));  // still under its temporary name
    out.commit();
  }
  EXPECT_EQ(read_file(name), "values\n");
  EXPECT_EQ(t_.folder.names(), (std::set<std::string>{"rdg.cube", "report.txt"}));
}

TEST_F(RunOutputFile, AbandonedFileLeavesNothingBehindAndKeepsAnOlderResult) {
  const std::string name = (dir_ / "rdg.cube").string();
  write_file(name, "old result\n");
  {
    OutputFile out(run_, name);
    out.stream() << "half a grid";
  }  // a later step stopped the run before the file was complete
  EXPECT_EQ(read_file(name), "old result\n");
  EXPECT_EQ(t_.folder.names(), (std::set<std::string>{"rdg.cube", "report.txt"}));
}

TEST_F(RunOutputFile, FolderThatDoesNotExistEndsTheRunWithStatusOne) {
  const std::string name = (dir_ / "missing" / "rdg.cube").string();
  try {
    OutputFile out(run_, name);
    FAIL() << "expected the run to end";
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.status, 1);
  }
  run_.flush();
  EXPECT_EQ(t_.report_on_disk(), " " + name + " file cannot be opened, program stop\n");
}

TEST_F(RunOutputFile, FullDiskIsAFailureNamingTheFileAndTheReason) {
  const fs::path small = dir_ / "small";
  fs::create_directories(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
  }
  const std::string name = (small / "big.cube").string();
  int status = -1;
  try {
    OutputFile out(run_, name);
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) out.stream() << line << '\n';
    out.commit();
  } catch (const RunEnd& end) {
    status = end.status;
  }
  const bool leftovers = !fs::is_empty(small);
  umount(small.c_str());
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(leftovers) << "no truncated file may stay under any name";
  run_.flush();
  EXPECT_EQ(t_.report_on_disk(),
            " " + name + " file cannot be written (No space left on device), program stop\n");
}

TEST_F(RunOutputFile, ReportOnAFullDiskEndsTheRunWithStatusOne) {
  const fs::path full = dir_ / "full";
  fs::create_directories(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
  }
  // Fill the disk, so the report can be created but not written.
  write_file(full / "filler", std::string(16 * 4096, 'x'));
  write_file("run.inp", "OUTPUT_FILE_NAME full/report.txt\nSECTIONS  WFN  TOP  RDG\n");
  const ProgramResult r = run_program({"run.inp"});
  umount(full.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, " full/report.txt file cannot be written (No space left on device), program stop\n");
}

}  // namespace
}  // namespace tessaro::testing
