#pragma once
// Whole files as strings, byte for byte: what a test writes and what it reads
// back from a run.
#include <filesystem>
#include <string>
#include <vector>

namespace tessaro::testing {

// The file's bytes; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& text);

// The lines of a text, without their line ends; a last line without one
// counts too.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace tessaro::testing
