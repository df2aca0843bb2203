#pragma once
// A run context for one step of the program called directly: its console a
// string, its report "report.txt" in a temporary folder that is the working
// directory while it lives.
#include <sstream>
#include <string>

#include "run/run.hpp"
#include "support/files.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {

class FolderRun {
 public:
  FolderRun() { EXPECT_TRUE(run.open_report("report.txt")); }
  FolderRun(const FolderRun&) = delete;
  FolderRun& operator=(const FolderRun&) = delete;

  // The report with all that the run has written to it.
  std::string report() {
    run.flush();
    return report_on_disk();
  }
  // What the report file holds now, without flushing it first.
  std::string report_on_disk() const { return read_file("report.txt"); }

  TempFolder folder;
  std::ostringstream console;
  Run run{console};
};

}  // namespace tessaro::testing
