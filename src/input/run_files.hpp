#pragma once
// The files of one run: every file the settings make the run read and every
// file they make it write, the report included, each with the keyword that
// names it. Before anything is created or replaced the run checks this list,
// so that no result replaces an input, another result of the same run or the
// report (and the report no input), whatever the spelling of the names: links
// and "./x" against "x" count as the same file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/input_variables.hpp"

namespace tessaro {

class Run;
namespace textio { class LineReader; }

enum class FileAccess { Read, Write };

// When the run reads or writes a file: the frame (the template, and the report,
// which stays open to the end) first, then the sections in their fixed order.
enum class RunStage { Frame, Wfn, Top, Rdg };

struct PlannedFile {
  std::string name;     // as the run opens it: the field without trailing blanks, with its suffix
  std::string keyword;  // the template keyword that names it ("the template" for the template itself)
  FileAccess access = FileAccess::Read;
  RunStage stage = RunStage::Frame;
  bool blank_field = false;  // written under a blank field: the name is the suffix alone
};

// Every file the settings name, in the order the run meets them: the template
// (when its name is given), the report, then per section its reads and its
// writes. Files that depend on the grids (the derivative cubes, the
// rho*sign(lambda2) cube and the VMD script of grids with fewer than 5 points
// along an axis) are listed whenever their job is on.
std::vector<PlannedFile> planned_files(const InputVariables& iv, std::string_view template_name = {});

// The first problem of the files of a run: a blank base name that must not
// be blank, then a name collision; the message that ends the run.
std::optional<std::string> run_files_problem(const std::vector<PlannedFile>& files);

// Whether two names name the same file (links and "./x" included).
bool names_same_file(const std::string& a, const std::string& b);

// Reads the whole template, checks the files of the run and creates the
// report; the report text the reader wrote stands at its head. A stop while
// the template is read still leaves the report, unless the report would
// replace a file the template has named so far. A name collision ends the run
// with one line on the console and on standard error, status 1, with nothing
// created or changed.
void prepare_run(Run& run, textio::LineReader& input);

}  // namespace tessaro
