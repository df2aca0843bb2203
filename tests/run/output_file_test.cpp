#include "run/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/run.hpp"
#include "main/driver.hpp"
#include "run/run_end.hpp"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReportOutputFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tessaro-output-file-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_TRUE(run_.open_report((dir_ / "report.txt").string()));
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
  std::ostringstream console_;
  tessaro::Run run_{console_};
};

TEST_F(ReportOutputFile, CompleteFileAppearsUnderItsNameOnlyAfterCommit) {
  const std::string name = (dir_ / "rdg.cube").string();
  {
    tessaro::OutputFile out(run_, name);
    out.stream() << "values\n";
    EXPECT_FALSE(fs::exists(name));  // still under its temporary name
    out.commit();
  }
  EXPECT_EQ(slurp(name), "values\n");
  EXPECT_EQ(entries(), (std::vector<std::string>{"rdg.cube", "report.txt"}));
}

TEST_F(ReportOutputFile, AbandonedFileLeavesNothingBehindAndKeepsAnOlderResult) {
  const std::string name = (dir_ / "rdg.cube").string();
  { std::ofstream(name) << "old result\n"; }
  {
    tessaro::OutputFile out(run_, name);
    out.stream() << "half a grid";
  }  // a later step stopped the run before the file was complete
  EXPECT_EQ(slurp(name), "old result\n");
  EXPECT_EQ(entries(), (std::vector<std::string>{"rdg.cube", "report.txt"}));
}

TEST_F(ReportOutputFile, FolderThatDoesNotExistEndsTheRunWithStatusOne) {
  const std::string name = (dir_ / "missing" / "rdg.cube").string();
  try {
    tessaro::OutputFile out(run_, name);
    FAIL() << "expected the run to end";
  } catch (const tessaro::RunEnd& end) {
    EXPECT_EQ(end.status, 1);
  }
  run_.flush();
  EXPECT_EQ(slurp(dir_ / "report.txt"), " " + name + " file cannot be opened, program stop\n");
}

TEST_F(ReportOutputFile, FullDiskIsAFailureNamingTheFileAndTheReason) {
  const fs::path small = dir_ / "small";
  fs::create_directories(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
  }
  const std::string name = (small / "big.cube").string();
  int status = -1;
  try {
    tessaro::OutputFile out(run_, name);
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) out.stream() << line << '\n';
    out.commit();
  } catch (const tessaro::RunEnd& end) {
    status = end.status;
  }
  const bool leftovers = !fs::is_empty(small);
  umount(small.c_str());
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(leftovers) << "no truncated file may stay under any name";
  run_.flush();
  EXPECT_EQ(slurp(dir_ / "report.txt"),
            " " + name + " file cannot be written (No space left on device), program stop\n");
}

TEST_F(ReportOutputFile, ReportOnAFullDiskEndsTheRunWithStatusOne) {
  const fs::path full = dir_ / "full";
  fs::create_directories(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
  }
  {  // fill the disk, so the report can be created but not written
    std::ofstream filler(full / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 16 && filler; ++i) filler << block;
  }
  { std::ofstream(dir_ / "run.inp") << "OUTPUT_FILE_NAME full/report.txt\nSECTIONS  WFN  TOP  RDG\n"; }
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  std::ostringstream out, err;
  const char* argv[] = {"tessaro", "run.inp"};
  const int status = tessaro::tessaro_main(2, argv, out, err);
  fs::current_path(cwd);
  umount(full.c_str());
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err.str(), " full/report.txt file cannot be written (No space left on device), program stop\n");
}

}  // namespace
