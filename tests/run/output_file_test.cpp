#include "run/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A run once named its temporary file after its process: a link planted
// there made the run write wherever the link pointed. The temporary name is
// now new and unguessable, and creation never goes through a link.
TEST_F(RunOutputFile, LinkPlantedAtTheOldTemporaryNameIsNeverFollowed) {
  write_file("victim", "keep\n");
  const std::string pid = std::to_string(static_cast<long>(getpid()));
  fs::create_symlink("victim", "rdg.cube.tmp-" + pid);
  fs::create_symlink("created_by_link", "rho.cube.tmp-" + pid);
  const mode_t previous = umask(027);
  for (const std::string name : {"rdg.cube", "rho.cube"}) {
    OutputFile out(run_, name);
    out.stream() << "values\n";
    out.commit();
  }
  umask(previous);
  EXPECT_EQ(read_file("victim"), "keep\n");
  EXPECT_FALSE(fs::exists("created_by_link"));
  EXPECT_EQ(read_file("rdg.cube"), "values\n");
  EXPECT_EQ(fs::status("rdg.cube").permissions(), static_cast<fs::perms>(0640)) << "the umask's permissions";
  EXPECT_EQ(t_.folder.names(), (std::set<std::string>{"rdg.cube", "rdg.cube.tmp-" + pid, "report.txt", "rho.cube",
                                                      "rho.cube.tmp-" + pid, "victim"}));
}

// A result whose file the user protected is not replaced: the run stops as
// for a file it cannot open (even for the superuser, whom permissions do not
// stop). A writable older result is replaced.
TEST_F(RunOutputFile, WriteProtectedResultIsRefusedAndKept) {
  write_file("old.cube", "old\n");
  write_file("kept.cube", "protected\n");
  fs::permissions("kept.cube", static_cast<fs::perms>(0444));
  {
    OutputFile out(run_, "old.cube");
    out.stream() << "new\n";
    out.commit();
  }
  EXPECT_EQ(read_file("old.cube"), "new\n");
  try {
    OutputFile out(run_, "kept.cube");
    FAIL() << "expected the run to end";
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.status, 1);
  }
  EXPECT_EQ(read_file("kept.cube"), "protected\n");
  EXPECT_EQ(t_.report(), " kept.cube file cannot be opened, program stop\n");
  EXPECT_EQ(t_.folder.names(), (std::set<std::string>{"kept.cube", "old.cube", "report.txt"}));
}

TEST_F(RunOutputFile, FullDiskIsAFailureNamingTheFileAndTheReason) {
  const fs::path small = dir_ / "small";
  fs::create_directories(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
  }
  // Within the stream's 1 MiB buffer the failure shows at the flush; beyond
  // it, while writing, and the reason must survive until the commit.
  for (const std::size_t lines : {100, 3000}) {
    SCOPED_TRACE(std::to_string(lines) + " lines of 1001 bytes");
    const std::string name = (small / "big.cube").string();
    int status = -1;
    try {
      OutputFile out(run_, name);
      const std::string line(1000, 'x');
      for (std::size_t i = 0; i < lines; ++i) out.stream() << line << '\n';
      out.commit();
    } catch (const RunEnd& end) {
      status = end.status;
    }
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(fs::is_empty(small)) << "no truncated file may stay under any name";
    run_.flush();
    EXPECT_EQ(t_.report_on_disk(), " " + name + " file cannot be written (No space left on device), program stop\n");
    run_.open_report("report.txt");  // a fresh report for the next case
  }
  umount(small.c_str());
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
