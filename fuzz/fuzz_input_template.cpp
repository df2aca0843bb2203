// A whole run in memory: the input is written as the template file in a
// fresh temporary folder and tessaro_main runs on it with the console and
// standard error going to strings. Whatever the template says, the run must
// end with a status, never crash. The section files it names do not exist
// (unless it names the template itself, which is read like any other file).
//
// The run writes the report and result files under names taken from the
// template; an input with a '/' is passed over so that every file it writes
// stays inside the temporary folder, which is emptied after each run.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz_support.hpp"
#include "main/driver.hpp"

namespace {

char g_dir[] = "/tmp/tessaro-fuzz-XXXXXX";

void remove_work_dir() {
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
}

std::filesystem::path work_dir() {
  static const std::filesystem::path dir = [] {
    if (mkdtemp(g_dir) == nullptr) std::abort();
    std::atexit(remove_work_dir);
    std::filesystem::current_path(g_dir);
    return std::filesystem::path(g_dir);
  }();
  return dir;
}

void empty_dir(const std::filesystem::path& dir) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(entry.path(), ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = tessaro_fuzz::as_text(data, size);
  if (text.find('/') != std::string_view::npos) return 0;
  const std::filesystem::path dir = work_dir();
  {
    std::ofstream out(dir / "fuzz.inp", std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  std::ostringstream console, err;
  const char* argv[] = {"tessaro", "fuzz.inp", nullptr};
  const int status = tessaro::tessaro_main(2, argv, console, err);
  if (status < 0 || status > 2) std::abort();  // only 0, 1 and 2 are exit statuses of a run
  empty_dir(dir);
  return 0;
}
