// The folders of src/ form floors: textio and run at the bottom, grid and
// input above them, the three sections, the report summaries, and the program
// in main on top. An include may only point to its own folder or a floor
// below; this test reads every source file and names each arrow that runs back
// up, so the layering stays true as the code grows.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace tessaro::testing {
namespace {

namespace fs = std::filesystem;

TEST(Layering, IncludesOnlyRunDownward) {
  const std::map<std::string, std::set<std::string>> may_include = {
      {"textio", {}},
      {"run", {"textio"}},
      {"grid", {"textio", "run"}},
      {"input", {"textio", "run", "grid"}},
      {"analysis", {"textio", "run", "grid"}},
      {"wavefunction", {"textio", "run", "grid"}},
      {"topond", {"textio", "run", "grid"}},
      {"report", {"textio", "run", "grid", "input"}},
      {"main", {"textio", "run", "grid", "input", "analysis", "wavefunction", "topond", "report"}},
  };
  const std::regex include_line(R"(^\s*#\s*include\s*"([a-z_]+)/)");
  const fs::path src = fs::path(TESSARO_SOURCE_DIR) / "src";
  ASSERT_TRUE(fs::is_directory(src)) << src;
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string folder = fs::relative(entry.path(), src).begin()->string();
    const auto rule = may_include.find(folder);
    ASSERT_NE(rule, may_include.end()) << "a folder without a floor: " << folder;
    ++files;
    const std::vector<std::string> lines = lines_of(read_file(entry.path()));
    for (std::size_t n = 0; n < lines.size(); ++n) {
      std::smatch m;
      if (!std::regex_search(lines[n], m, include_line)) continue;
      const std::string target = m[1];
      EXPECT_TRUE(target == folder || rule->second.count(target))
          << entry.path().string() << ":" << n + 1 << " includes " << target << "/ from " << folder << "/";
    }
  }
  EXPECT_GT(files, 20u);
}

}  // namespace
}  // namespace tessaro::testing
