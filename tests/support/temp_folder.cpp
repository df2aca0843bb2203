#include "support/temp_folder.hpp"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace tessaro::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() : previous_(fs::current_path()) {
  std::string pattern = (fs::temp_directory_path() / "tessaro-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a folder from " + pattern + ": " + std::strerror(errno));
  path_ = pattern;
  fs::current_path(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::remove_all(path_, ignored);
}

std::set<std::string> TempFolder::names() const {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.insert(entry.path().filename().string());
  return names;
}

}  // namespace tessaro::testing
