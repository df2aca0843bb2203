#include "input/run_files.hpp"

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

#include "input/input_reading.hpp"
#include "run/output_names.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"

namespace tessaro {

namespace {

// Keywords the checks below ask for by name.
constexpr std::string_view kReport = "OUTPUT_FILE_NAME";
constexpr std::string_view kRdgOutput = "RDG_OUTPUT", kRhoSignOutput = "RHO_SIGN_OUTPUT",
                           kEnergyOutput = "ENERGY_OUTPUT";

class Plan {
 public:
  explicit Plan(std::vector<PlannedFile>& files) : files_(files) {}

  void read(RunStage stage, std::string_view keyword, const std::string& field) {
    files_.push_back({trimmed(field), std::string(keyword), FileAccess::Read, stage, false});
  }
  // A base name field joined with a suffix.
  void write(RunStage stage, std::string_view keyword, const std::string& field, std::string_view suffix) {
    files_.push_back(
        {output_name(field, suffix), std::string(keyword), FileAccess::Write, stage, trimmed(field).empty()});
  }
  // A file of a fixed name.
  void write_fixed(RunStage stage, std::string_view keyword, std::string_view name) {
    files_.push_back({std::string(name), std::string(keyword), FileAccess::Write, stage, false});
  }

 private:
  std::vector<PlannedFile>& files_;
};

void plan_wfn(Plan& plan, const InputVariables& iv) {
  const RunStage wfn = RunStage::Wfn;
  plan.read(wfn, "INPUT (WFN)", iv.wfn_inpname);
  const std::string out = "OUTPUT (WFN)";
  if (iv.wfn_risp[kWfnRhoJob] != 0) plan.write(wfn, out, iv.wfn_outname, wfn_output::kRho);
  if (iv.wfn_risp[kWfnGradientJob] != 0) plan.write(wfn, out, iv.wfn_outname, wfn_output::kGradient);
  if (iv.wfn_risp[kWfnLaplacianJob] != 0) plan.write(wfn, out, iv.wfn_outname, wfn_output::kLaplacian);
  if (iv.wfn_risp[kWfnEnergyJob] != 0) {
    plan.write(wfn, out, iv.wfn_outname, wfn_output::kKinetic);
    plan.write(wfn, out, iv.wfn_outname, wfn_output::kPotential);
    plan.write(wfn, out, iv.wfn_outname, wfn_output::kTotal);
  }
}

void plan_top(Plan& plan, const InputVariables& iv) {
  const RunStage top = RunStage::Top;
  plan.read(top, "CRYSTAL_OUTPUT_NAME", iv.crys_out);
  const std::array<const std::string*, 3> grids{&iv.grd_top_name1, &iv.grd_top_name2, &iv.grd_top_name3};
  const std::array<const std::string*, 3> cubes{&iv.cubeout1, &iv.cubeout2, &iv.cubeout3};
  for (int g = 0; g < 3 && g < iv.n_grid; ++g) {
    const std::string of_grid = " of grid " + std::to_string(g + 1);
    plan.read(top, "GRID_FILE_NAME" + of_grid, *grids[static_cast<std::size_t>(g)]);
    plan.write(top, "CUBE_NAME(OUTPUT)" + of_grid, *cubes[static_cast<std::size_t>(g)], top_output::kCube);
  }
}

// The RDG section's files under the choices it makes of the settings (see
// rdg_plan in the section's driver): a Laplacian marked both computed and
// read is computed; the jobs are those the input reader left on.
void plan_rdg(Plan& plan, const InputVariables& iv) {
  const RunStage rdg = RunStage::Rdg;
  const bool xd2 = iv.inprdg_risp[kXd2Format] != 0;
  plan.read(rdg, "RHO_INPUT_CUBE", iv.rhocube_inp);
  if (xd2) plan.read(rdg, "RHO_INPUT_GRD(XD only)", iv.rhogrd_inp);
  if (iv.grad_read != 0) {
    plan.read(rdg, "GRAD_INPUT_CUBE", iv.gradcube_inp);
    if (xd2) plan.read(rdg, "GRAD_INPUT_GRD(XD only)", iv.gradgrd_inp);
  }
  if (iv.lapl_read != 0 && iv.lapl_calc == 0) {
    plan.read(rdg, "LAPL_INPUT_CUBE", iv.laplcube_inp);
    if (xd2) plan.read(rdg, "LAPL_INPUT_GRD(XD only)", iv.laplgrd_inp);
  }
  if (iv.grad_calc != 0) plan.write_fixed(rdg, "GRAD= calc", rdg_output::kNumericalGradient);
  if (iv.lapl_calc != 0) plan.write_fixed(rdg, "LAPL= calc", rdg_output::kNumericalLaplacian);
  const bool job_rdg = iv.calc_risp[kRdgJob] != 0, job_rho = iv.calc_risp[kRhosignJob] != 0;
  if (job_rdg) {
    plan.write(rdg, kRdgOutput, iv.rdg_outname, rdg_output::kCube);
    if (xd2) plan.write(rdg, kRdgOutput, iv.rdg_outname, rdg_output::kGrd);
  }
  if (job_rho) {
    plan.write(rdg, kRhoSignOutput, iv.rhosign_outname, rdg_output::kCube);
    if (xd2) plan.write(rdg, kRhoSignOutput, iv.rhosign_outname, rdg_output::kGrd);
  }
  if (job_rdg && job_rho) plan.write(rdg, kRdgOutput, iv.rdg_outname, rdg_output::kVmdScript);
  if (iv.calc_risp[kAbramovJob] != 0) {
    for (std::string_view suffix : {rdg_output::kKineticCube, rdg_output::kPotentialCube, rdg_output::kTotalCube})
      plan.write(rdg, kEnergyOutput, iv.e_outname, suffix);
    if (xd2)
      for (std::string_view suffix : {rdg_output::kKineticGrd, rdg_output::kPotentialGrd, rdg_output::kTotalGrd})
        plan.write(rdg, kEnergyOutput, iv.e_outname, suffix);
  }
  if (iv.calc_risp[kPlotJob] != 0) {
    const std::string name = trimmed(iv.plot_name);
    for (const auto& [on, prefix] : {std::pair{iv.duedplot[kRhoPlot] != 0, rdg_output::kRhoPlotPrefix},
                                     std::pair{iv.duedplot[kRhosignPlot] != 0, rdg_output::kRhosignPlotPrefix}}) {
      if (!on) continue;
      const std::string plot = std::string(prefix) + name;
      plan.write_fixed(rdg, "PLOT_NAME", plot);
      plan.write_fixed(rdg, "PLOT_NAME", plot + std::string(rdg_output::kPicture));
    }
  }
}

// ---------------------------------------------------------------------------
// The check

// What makes two names the same file: the path with every link resolved and
// "." and ".." removed, and for a file that exists its device and inode (a
// hard link has a path of its own).
struct FileIdentity {
  std::filesystem::path path;
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
};

FileIdentity identify(const std::string& name) {
  FileIdentity id;
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(name, ec);
  if (ec) path = name;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  id.path = ec ? path.lexically_normal() : std::move(canonical);
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
  }
  return id;
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return (a.exists && b.exists && a.device == b.device && a.inode == b.inode) || a.path == b.path;
}

// A write replaces the file a read takes unless an earlier section writes it
// for a later one to read (the density cube of the WFN section read by the RDG
// section). The report is written until the run ends.
bool replaces(const PlannedFile& write, const PlannedFile& read) {
  return write.stage == RunStage::Frame || write.stage >= read.stage;
}

// The first pair of files that must not be the same file, as the message
// that names both keywords and the file.
std::optional<std::string> collision(const std::vector<PlannedFile>& files) {
  std::vector<FileIdentity> ids;
  ids.reserve(files.size());
  for (const PlannedFile& f : files) ids.push_back(identify(f.name));
  for (std::size_t j = 0; j < files.size(); ++j) {
    const PlannedFile& b = files[j];
    if (b.name.empty()) continue;
    for (std::size_t i = 0; i < j; ++i) {
      const PlannedFile& a = files[i];
      if (a.name.empty() || !same_file(ids[i], ids[j])) continue;
      const bool a_writes = a.access == FileAccess::Write, b_writes = b.access == FileAccess::Write;
      // The file as the writer names it; the other name too when it is spelled
      // otherwise (a link, "./x").
      if (a_writes && b_writes) {
        const std::string file = a.name + (b.name == a.name ? "" : " (" + b.name + ")");
        return a.keyword + " and " + b.keyword + " both name the file " + file + ", program stop";
      }
      if (!a_writes && !b_writes) continue;
      const PlannedFile& write = a_writes ? a : b;
      const PlannedFile& read = a_writes ? b : a;
      if (!replaces(write, read)) continue;
      const std::string reader = read.keyword + (read.name == write.name ? "" : ": " + read.name);
      return write.keyword + " names the input file " + write.name + " (" + reader + "), program stop";
    }
  }
  return std::nullopt;
}

// A base name that must not be blank: the files would be hidden ones named
// by their suffix alone.
std::optional<std::string> blank_name(const std::vector<PlannedFile>& files) {
  for (const PlannedFile& f : files) {
    if (!f.blank_field) continue;
    if (f.keyword == kRdgOutput || f.keyword == kRhoSignOutput || f.keyword == kEnergyOutput)
      return f.keyword + " is blank, program stop";
  }
  return std::nullopt;
}

// The report may be the colliding file, so the message goes to the console and
// to standard error, and no report is created.
void say(Run& run, const std::string& message) {
  run.console_line(message);
  run.err() << ' ' << message << '\n';
  run.stop_told();
}

bool create_report_or_say(Run& run) {
  if (run.create_report()) return true;
  run.console_line("PROBLEM IN OPENING THE OUTPUT FILE " + run.report_file_name() + " PROGRAM STOP");
  return false;
}

// After a stop while the template was read: the report holds what the reader
// wrote, and is created unless it would replace a file named so far.
void create_report_after_stop(Run& run, std::string_view template_name) {
  if (!run.report_named()) return;
  std::vector<PlannedFile> files;
  for (PlannedFile& f : planned_files(run.input_variables, template_name))
    if (f.access == FileAccess::Read || f.keyword == kReport) files.push_back(std::move(f));
  if (const auto problem = collision(files)) {
    say(run, *problem);
    return;
  }
  create_report_or_say(run);
}

}  // namespace

std::optional<std::string> run_files_problem(const std::vector<PlannedFile>& files) {
  std::optional<std::string> problem = blank_name(files);
  if (!problem) problem = collision(files);
  return problem;
}

bool names_same_file(const std::string& a, const std::string& b) { return same_file(identify(a), identify(b)); }

std::vector<PlannedFile> planned_files(const InputVariables& iv, std::string_view template_name) {
  std::vector<PlannedFile> files;
  Plan plan(files);
  if (!template_name.empty()) plan.read(RunStage::Frame, "the template", std::string(template_name));
  if (!trimmed(iv.report_name).empty()) plan.write(RunStage::Frame, kReport, iv.report_name, "");
  if (iv.inp1_risp[kWfnSection] == 1) plan_wfn(plan, iv);
  if (iv.inp1_risp[kTopSection] == 1) plan_top(plan, iv);
  if (iv.inp1_risp[kRdgSection] == 1) plan_rdg(plan, iv);
  return files;
}

void prepare_run(Run& run, textio::LineReader& input) {
  try {
    input_reading(run, input);
  } catch (...) {
    create_report_after_stop(run, input.file_name());
    throw;
  }
  const std::vector<PlannedFile> files = planned_files(run.input_variables, input.file_name());
  if (const std::optional<std::string> problem = run_files_problem(files)) {
    say(run, *problem);
    end_run(1);
  }
  if (!create_report_or_say(run)) end_run(1);
}

}  // namespace tessaro
