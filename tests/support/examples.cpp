#include "support/examples.hpp"

#include <algorithm>

#include "support/files.hpp"

namespace tessaro::testing {

namespace fs = std::filesystem;

fs::path examples_root() { return fs::path(TESSARO_SOURCE_DIR) / "examples"; }

std::vector<std::string> example_folders() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(examples_root()))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> readme_list(const std::string& readme, const std::string& heading) {
  std::vector<std::string> names;
  bool in_list = false;
  for (const std::string& line : lines_of(readme)) {
    if (line.rfind("## ", 0) == 0) {
      in_list = line == "## " + heading;
      continue;
    }
    if (!in_list || line.rfind("- ", 0) != 0) continue;
    // The names stand before the colon that starts the description.
    const std::string names_part = line.substr(0, line.find(": "));
    std::size_t p = 0;
    while ((p = names_part.find('`', p)) != std::string::npos) {
      const std::size_t q = names_part.find('`', p + 1);
      if (q == std::string::npos) break;
      names.push_back(names_part.substr(p + 1, q - p - 1));
      p = q + 1;
    }
  }
  return names;
}

std::vector<std::string> example_inputs(const fs::path& folder) {
  return readme_list(read_file(folder / "README.md"), "Input files");
}

}  // namespace tessaro::testing
