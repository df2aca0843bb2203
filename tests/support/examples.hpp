#pragma once
// The example folders under examples/ and the files each is made of. A folder
// where a user has run its example also holds the outputs, so the inputs are
// the ones its README.md lists under "## Input files", never whatever lies in
// the folder.
#include <filesystem>
#include <string>
#include <vector>

namespace tessaro::testing {

std::filesystem::path examples_root();

// The names of the folders under examples/, sorted.
std::vector<std::string> example_folders();

// The names in backquotes on the list items under the README heading
// "## <heading>" (for example "Input files", "Files that come out").
std::vector<std::string> readme_list(const std::string& readme, const std::string& heading);

// The input files of the example in `folder` (its README's "Input files").
std::vector<std::string> example_inputs(const std::filesystem::path& folder);

}  // namespace tessaro::testing
