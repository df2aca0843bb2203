#include "main/run_check.hpp"

#include <unistd.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "grid/grid_files.hpp"
#include "input/input_reading.hpp"
#include "input/run_files.hpp"
#include "run/input_file.hpp"
#include "run/output_names.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"
#include "wavefunction/wfn_file.hpp"

namespace tessaro {

namespace {

namespace fs = std::filesystem;

std::string mb_text(double bytes) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, bytes / 1.0e6, std::chars_format::fixed, 1);
  return std::string(buf, res.ptr) + " MB";
}

std::string size_text(const std::array<std::int32_t, 3>& n) {
  return std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " + std::to_string(n[2]) + " points";
}

// A point count as a whole number; counts beyond a 64-bit integer (boxes
// nobody can allocate, which the check then refuses) are written from the
// double, never converted out of range.
std::string count_text(double n) {
  if (n < 9.0e18) return std::to_string(static_cast<long long>(n));
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, n, std::chars_format::fixed, 0);
  return std::string(buf, res.ptr);
}

double point_count(const std::array<std::int32_t, 3>& n) {
  return n[0] > 0 && n[1] > 0 && n[2] > 0 ? static_cast<double>(n[0]) * n[1] * n[2] : 0.0;
}

// Bytes of a cube file as the writer lays it out: two title lines, the origin
// and axis lines (I5,3F12.6), the atom lines (I5,4F12.6), six ES13.5 values
// to a line with every row of N3 values on lines of its own.
double cube_bytes(const std::array<std::int32_t, 3>& n, std::int32_t atoms) {
  const double rows = n[0] > 0 && n[1] > 0 ? static_cast<double>(n[0]) * n[1] : 0.0;
  const double lines_per_row = n[2] > 0 ? (n[2] + 5) / 6 : 0;
  return 2.0 + 4.0 * 42.0 + atoms * 54.0 + point_count(n) * 13.0 + rows * lines_per_row;
}

// A grd file: its header lines of 80 columns, six E18.10 values to a line
// along axis 1.
double grd_bytes(const std::array<std::int32_t, 3>& n, std::int32_t atoms) {
  const double rows = n[1] > 0 && n[2] > 0 ? static_cast<double>(n[1]) * n[2] : 0.0;
  const double lines_per_row = n[0] > 0 ? (n[0] + 5) / 6 : 0;
  return (atoms + 12.0) * 81.0 + point_count(n) * 18.0 + rows * lines_per_row;
}

// A plot file holds at most one line of two E11.3 fields per point.
constexpr double kPlotLineBytes = 23.0;
// A picture stays under 3 MB whatever the grid; most are well under 1 MB.
constexpr double kPictureBytes = 1.0e6;

class Checker {
 public:
  Checker(const std::string& input_name, std::ostream& out) : name_(input_name), out_(out) {}

  int check() {
    out_ << "Check of " << name_ << ": the template and the headers of the files it reads are read, no file is "
         << "written.\n";
    if (read_template()) {
      say_sections();
      files_ = planned_files(iv(), name_);
      if (const std::optional<std::string> problem = run_files_problem(files_)) {
        run_.console_line(*problem);
        err_ << ' ' << *problem << '\n';
        stopped_ = true;
      }
      read_files();
      written_files();
      estimates();
    }
    messages();
    out_ << (stopped_ ? "The run would stop (status 1).\n" : "The run would start (status 0).\n");
    return stopped_ ? 1 : 0;
  }

 private:
  InputVariables& iv() { return run_.input_variables; }

  // The input reader on the template, as the run starts it.
  bool read_template() {
    std::ifstream in(name_, std::ios::in | std::ios::binary);
    textio::LineReader input(in, name_, textio::regular_file_size(name_));
    return guarded([&] { input_reading(run_, input); });
  }

  // Runs a step of the check; a stop the run would meet is recorded (its
  // messages stay where the run writes them) and ends the step.
  template <typename Step>
  bool guarded(Step step) {
    try {
      step();
      return true;
    } catch (const RunEnd&) {
    } catch (const textio::TextIoError& e) {
      err_ << ' ' << e.what() << '\n';
    } catch (const GridFileRejected& e) {
      run_.report_line(std::string(e.what()) + ", PROGRAM STOP");
    } catch (const WfnFileRejected& e) {
      run_.report_line(std::string(e.what()) + ", program stop");
    } catch (const std::bad_alloc&) {
      err_ << ' ' << kAllocationMessage << '\n';
    }
    stopped_ = true;
    return false;
  }

  void say_sections() {
    const char* names[] = {"WFN", "TOP", "RDG"};
    std::string on;
    for (std::size_t s = 0; s < 3; ++s)
      if (iv().inp1_risp[s] == 1) on += std::string(on.empty() ? "" : " ") + names[s];
    out_ << "Sections: " << (on.empty() ? "none" : on) << '\n';
  }

  // An earlier section of the run writes the file: its header is the WFN box.
  bool written_before(const PlannedFile& read) const {
    for (const PlannedFile& f : files_)
      if (f.access == FileAccess::Write && f.stage != RunStage::Frame && f.stage < read.stage &&
          names_same_file(f.name, read.name))
        return true;
    return false;
  }

  void read_files() {
    out_ << "Files read:\n";
    for (const PlannedFile& f : files_) {
      if (f.access != FileAccess::Read || f.stage == RunStage::Frame) continue;
      out_ << "  " << f.name << "  (" << f.keyword << ")";
      if (written_before(f)) {
        out_ << ": written by the WFN section, " << size_text({iv().n_puntix, iv().n_puntiy, iv().n_puntiz}) << '\n';
        if (f.stage == RunStage::Rdg) rdg_n_ = {iv().n_puntix, iv().n_puntiy, iv().n_puntiz};
        continue;
      }
      std::error_code ec;
      std::ifstream in;
      if (!fs::is_directory(f.name, ec)) in.open(f.name, std::ios::in | std::ios::binary);
      if (!in.is_open() || !in) {
        out_ << ": cannot be opened\n";
        run_.report_line(f.name + std::string(kCannotBeOpened));
        stopped_ = true;
        continue;
      }
      textio::LineReader reader(in, f.name, textio::regular_file_size(f.name));
      std::string what;
      guarded([&] { what = header_of(f, reader); });
      out_ << (what.empty() ? std::string() : ": " + what) << '\n';
    }
    compare_rdg_headers();
  }

  // What the header of one file says.
  std::string header_of(const PlannedFile& f, textio::LineReader& reader) {
    if (f.stage == RunStage::Wfn) {
      Wavefunction wfn;
      read_wavefunction_file(reader, wfn);
      atoms_ = wfn.ncent;
      return std::to_string(wfn.ncent) + " nuclei, " + std::to_string(wfn.nprims) + " primitives, " +
             std::to_string(wfn.nmo) + " orbitals";
    }
    if (f.stage == RunStage::Top) {
      if (!f.keyword.starts_with("GRID_FILE_NAME")) return "the CRYSTAL output";
      static const textio::Layout counts_layout = textio::Layout::parse("3I4");
      std::array<std::int32_t, 3> n{};
      const textio::InItem counts[] = {&n[0], &n[1], &n[2]};
      textio::read_record(reader, counts_layout, counts);
      top_points_ += point_count(n);
      return "TOPOND grid of " + size_text(n);
    }
    // The RDG section's grids: a cube, whose header is read here, and with
    // XD2 input its grd file, read with it.
    if (f.keyword.find("GRD") != std::string::npos) return "the values of the cube above";
    const bool xd2 = iv().inprdg_risp[kXd2Format] != 0;
    const InputFormat format = xd2                                 ? InputFormat::XD2
                               : iv().inprdg_risp[kGauFormat] != 0 ? InputFormat::GAU
                                                                   : InputFormat::CUB;
    const GridRole role = f.keyword.starts_with("GRAD")   ? GridRole::Gradient
                          : f.keyword.starts_with("LAPL") ? GridRole::Laplacian
                                                          : GridRole::Density;
    std::optional<std::ifstream> grd_stream;
    std::optional<textio::LineReader> grd;
    if (xd2) {
      const std::string grd_name = trimmed(role == GridRole::Density    ? iv().rhogrd_inp
                                           : role == GridRole::Gradient ? iv().gradgrd_inp
                                                                        : iv().laplgrd_inp);
      grd_stream.emplace(grd_name, std::ios::in | std::ios::binary);
      if (!grd_stream->is_open()) stop_cannot_open(run_, grd_name);
      grd.emplace(*grd_stream, grd_name, textio::regular_file_size(grd_name));
    }
    GridData header = cube_header_in(reader, role, format, grd ? &*grd : nullptr).grid;
    if (role == GridRole::Density) {
      rdg_n_ = header.n;
      atoms_ = header.natoms;
    }
    headers_.push_back({role, std::move(header)});
    return size_text(headers_.back().second.n);
  }

  // The headers of the derivative grids against the density's, as the RDG
  // section compares them after reading.
  void compare_rdg_headers() {
    const GridData* density = nullptr;
    for (const auto& [role, grid] : headers_)
      if (role == GridRole::Density) density = &grid;
    if (density == nullptr) return;
    for (const auto& entry : headers_) {
      const GridRole role = entry.first;
      const GridData& grid = entry.second;
      if (role == GridRole::Density) continue;
      guarded([&] { check_cube(run_, grid, *density, role == GridRole::Gradient ? "gradient " : "laplacian"); });
    }
  }

  void written_files() {
    out_ << "Files written:\n";
    for (const PlannedFile& f : files_) {
      if (f.access != FileAccess::Write) continue;
      out_ << "  " << f.name << "  (" << f.keyword << ")";
      // The folder must exist and take new files.
      const fs::path folder = fs::path(f.name).parent_path();
      const std::string dir = folder.empty() ? "." : folder.string();
      if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        out_ << ": cannot be created in " << dir;
        if (f.stage == RunStage::Frame) {
          run_.console_line("PROBLEM IN OPENING THE OUTPUT FILE " + f.name + " PROGRAM STOP");
        } else {
          run_.report_line(f.name + std::string(kCannotBeOpened));
        }
        stopped_ = true;
      } else if (fs::exists(f.name)) {
        out_ << ": replaces the file there";
      }
      out_ << '\n';
    }
  }

  void estimates() {
    const std::array<std::int32_t, 3> wfn_n{iv().n_puntix, iv().n_puntiy, iv().n_puntiz};
    double memory = 0.0, disk = 0.0;
    std::string points;
    for (const PlannedFile& f : files_) {
      if (f.access != FileAccess::Write || f.stage == RunStage::Frame) continue;
      const bool grd = f.name.ends_with(rdg_output::kGrd);
      const bool picture = f.name.ends_with(rdg_output::kPicture);
      const bool plot = f.keyword == "PLOT_NAME" && !picture;
      const std::array<std::int32_t, 3>& n = f.stage == RunStage::Wfn ? wfn_n : rdg_n_;
      if (f.stage == RunStage::Top) disk += top_points_ * 13.0 / 3.0;
      else if (picture) disk += kPictureBytes;
      else if (plot) disk += point_count(n) * kPlotLineBytes;
      else if (grd) disk += grd_bytes(n, atoms_);
      else if (!f.name.ends_with(rdg_output::kVmdScript)) disk += cube_bytes(n, atoms_);
    }
    if (iv().inp1_risp[kWfnSection] == 1) {
      const double n = point_count(wfn_n);
      int grids = 0;
      for (std::size_t j = 0; j < 4; ++j) grids += iv().wfn_risp[j] != 0 ? (j == kWfnEnergyJob ? 3 : 1) : 0;
      memory = std::max(memory, n * 8.0 * grids);
      guarded([&] { check_grid_allocation(wfn_n[0], wfn_n[1], wfn_n[2], sizeof(double) * std::max(grids, 1)); });
      points += "WFN section " + size_text(wfn_n) + " (" + count_text(n) + ")";
    }
    if (iv().inp1_risp[kTopSection] == 1) {
      memory = std::max(memory, top_points_ / 3.0 * 8.0);
      points += std::string(points.empty() ? "" : "; ") + "TOP section " +
                count_text(top_points_) + " in all";
    }
    if (iv().inp1_risp[kRdgSection] == 1) {
      // The density, the derivatives, the RDG and rho*sign(lambda2), and
      // Abramov's three energy densities, at most, held together.
      const double n = point_count(rdg_n_);
      const bool jobs_rdg = iv().calc_risp[kRdgJob] != 0 || iv().calc_risp[kPlotJob] != 0;
      const int grids = 1 + (iv().grad_calc != 0 || iv().grad_read != 0) +
                        (iv().lapl_calc != 0 || iv().lapl_read != 0) + (jobs_rdg ? 1 : 0) +
                        (iv().calc_risp[kRhosignJob] != 0 || iv().duedplot[kRhosignPlot] != 0) +
                        (iv().calc_risp[kAbramovJob] != 0 ? 3 : 0);
      memory = std::max(memory, n * 8.0 * grids);
      guarded([&] { check_grid_allocation(rdg_n_[0], rdg_n_[1], rdg_n_[2], sizeof(double) * grids); });
      points += std::string(points.empty() ? "" : "; ") + "RDG section " +
                (n > 0 ? size_text(rdg_n_) + " (" + count_text(n) + ")"
                       : std::string("not known (no density header read)"));
    }
    out_ << "Grid points: " << (points.empty() ? "none" : points) << '\n';
    out_ << "Memory: about " << mb_text(memory) << " for the grids of the largest section\n";
    out_ << "Disk: about " << mb_text(disk) << " written\n";
  }

  // Every message the run would write, where it would write it.
  void messages() {
    const std::string report = run_.held_report();
    const std::string console = console_.str();
    for (const std::string& d : run_.stop_details()) err_ << ' ' << d << '\n';
    const std::string err = err_.str();
    if (report.empty() && console.empty() && err.empty()) {
      out_ << "Messages: none\n";
      return;
    }
    out_ << "Messages:\n";
    const auto block = [&](const char* where, const std::string& text) {
      if (text.empty()) return;
      out_ << "  " << where << ":\n";
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);) out_ << "   " << line << '\n';
    };
    // Before the report exists, the run holds the lines written to it.
    block("in the report", report);
    block("on the console", console);
    block("on standard error", err);
  }

  std::string name_;
  std::ostream& out_;
  std::ostringstream console_, err_;
  Run run_{console_, err_};
  std::vector<PlannedFile> files_;
  std::vector<std::pair<GridRole, GridData>> headers_;
  std::array<std::int32_t, 3> rdg_n_{};
  std::int32_t atoms_ = 0;
  double top_points_ = 0.0;
  bool stopped_ = false;
};

}  // namespace

int check_run(const std::string& input_name, std::ostream& out) { return Checker(input_name, out).check(); }

}  // namespace tessaro
