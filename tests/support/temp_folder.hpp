#pragma once
// A fresh folder under the system's temporary folder, made the working
// directory while it lives: a test writes and reads plain relative names, and
// no two tests (nor two runs of the suite at once) share a file. On the way
// out the previous working directory comes back and the folder goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace tessaro::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The names the folder holds now.
  std::set<std::string> names() const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// A test that runs in a temporary folder of its own.
class TempFolderTest : public ::testing::Test {
 protected:
  TempFolder folder_;
};

}  // namespace tessaro::testing
