#include "main/driver.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <exception>
#include <new>
#include <vector>

#include "analysis/calc_stuff.hpp"
#include "input/run_files.hpp"
#include "run/run.hpp"
#include "main/banner.hpp"
#include "main/molecule_template.hpp"
#include "main/run_check.hpp"
#include "report/output_writing.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"
#include "input/template_text.hpp"
#include "textio/textio.hpp"
#include "topond/topo_to_cube.hpp"
#include "wavefunction/wfn_file.hpp"
#include "wavefunction/wfn_prop.hpp"

#ifndef TESSARO_VERSION
#define TESSARO_VERSION "unknown"
#endif

namespace tessaro {

namespace {

constexpr const char* kUsageLine = "usage: tessaro INPUT_FILE   (tessaro --help for more)";

constexpr const char* kHelpText =
    "usage: tessaro [--threads N] INPUT_FILE\n"
    "       tessaro --check INPUT_FILE\n"
    "       tessaro --template [--step H] [--margin M] [MOLECULE.wfn]\n"
    "\n"
    "Runs the jobs of the keyword template INPUT_FILE:\n"
    "  WFN  properties from a wavefunction (.wfn) on a box grid, written as cube files\n"
    "  TOP  TOPOND grid files converted to cube files\n"
    "  RDG  reduced density gradient, rho*sign(lambda2) and Abramov energy densities\n"
    "       from density grids (cube or XD grd files)\n"
    "The report goes to the file named after OUTPUT_FILE_NAME in the template.\n"
    "\n"
    "Exit status: 0 normal end, 1 error stop (message in the report or on the\n"
    "console, and on standard error), 2 unreadable value or early end of a file\n"
    "(message on standard error), or a usage error.\n"
    "\n"
    "  --threads N run N threads (a whole number from 1 up); by default as many\n"
    "             as OMP_NUM_THREADS says when it is set, otherwise one per core\n"
    "             this process may use. The files are the same for any count.\n"
    "  --check    read the template and the headers of its files, write nothing,\n"
    "             and tell what the run would do: status 0 when it would start\n"
    "  --template print a complete input template to start from; with a .wfn\n"
    "             file, one ready to run for that molecule: a box around its\n"
    "             nuclei with a margin of M bohr (default 3.0) at a step of H\n"
    "             bohr (default 0.2), the density, gradient and Laplacian, and\n"
    "             the RDG section with all four jobs and both plots\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "The manual page tells more: man tessaro (or man ./man/tessaro.1).\n";

// The sections in their fixed order, each followed by its summary; the
// symmetry operations read for the TOP section are released after its summary.
void run_sections(Run& run) {
  InputVariables& v = run.input_variables;
  if (v.inp1_risp[kWfnSection] == 1) {
    wfn_prop(run);
    output_writing(run, Section::Wfn);
  }
  if (v.inp1_risp[kTopSection] == 1) {
    topo_to_cube(run);
    output_writing(run, Section::Top);
    std::vector<std::int32_t>().swap(v.symm_op);
    std::vector<double>().swap(v.transl);
  }
  if (v.inp1_risp[kRdgSection] == 1) {
    calc_stuff(run);
    output_writing(run, Section::Rdg);
  }
}

// The options before the input file name (--threads N) from argv[first] on:
// sets the thread count, moves first past them. False after a usage error,
// which is written to err.
bool leading_options(int argc, const char* const* argv, int& first, std::ostream& err) {
  int threads = default_thread_count();
  while (first < argc && argv[first] != nullptr && std::string_view(argv[first]) == "--threads") {
    const char* n = first + 1 < argc ? argv[first + 1] : nullptr;
    const std::string_view text = n ? n : "";
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
    if (n == nullptr || error != std::errc() || end != text.data() + text.size() || threads < 1) {
      err << (n ? "--threads " + std::string(text) + ": the thread count must be a whole number from 1 up"
                : std::string("--threads: no thread count given"))
          << '\n' << kUsageLine << '\n';
      return false;
    }
    first += 2;
  }
  set_thread_count(threads);
  return true;
}

// A bohr length of an option: a finite number, above 0 for a step.
bool length_option(std::string_view text, bool positive, double& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(value) &&
         (positive ? value > 0.0 : value >= 0.0);
}

// --template [--step H] [--margin M] [MOLECULE.wfn], the arguments from
// argv[next] on.
int template_option(int argc, const char* const* argv, int next, std::ostream& out, std::ostream& err) {
  TemplateBox settings;
  std::string molecule;
  for (int a = next; a < argc && argv[a] != nullptr; ++a) {
    const std::string_view arg = argv[a];
    if (arg == "--step" || arg == "--margin") {
      const bool step = arg == "--step";
      const std::string_view value = a + 1 < argc && argv[a + 1] ? argv[a + 1] : "";
      if (!length_option(value, step, step ? settings.step : settings.margin)) {
        err << arg << " " << value << ": the "
            << (step ? "step must be a number above 0" : "margin must be a number from 0 up") << " (bohr)\n"
            << kUsageLine << '\n';
        return 2;
      }
      ++a;
    } else if (arg.starts_with("-") || !molecule.empty()) {
      err << "tessaro --template: unexpected argument " << arg << '\n' << kUsageLine << '\n';
      return 2;
    } else {
      molecule = input_file_name(arg);
    }
  }
  if (molecule.empty()) {
    out << input_template();
    return 0;
  }
  std::ifstream in;
  std::error_code ec;
  if (!std::filesystem::is_directory(molecule, ec)) in.open(molecule, std::ios::in | std::ios::binary);
  if (!in.is_open() || !in) {
    err << ' ' << molecule << " file cannot be opened, program stop\n";
    return 1;
  }
  try {
    textio::LineReader reader(in, molecule, textio::regular_file_size(molecule));
    Wavefunction wfn;
    read_wavefunction_file(reader, wfn);
    const MoleculeBox box = molecule_box(wfn.xc.data(), wfn.yc.data(), wfn.zc.data(), wfn.xc.size(), settings);
    out << molecule_template(molecule, box, settings);
    return 0;
  } catch (const textio::TextIoError& e) {
    err << ' ' << e.what() << '\n';
    return 2;
  } catch (const TemplateFieldError& e) {
    err << " tessaro --template: " << e.what() << '\n';
    return 2;
  } catch (const WfnFileRejected& e) {
    err << ' ' << e.what() << ", program stop\n";
    return 1;
  } catch (const std::bad_alloc&) {
    err << ' ' << kAllocationMessage << '\n';
    return 1;
  }
}

}  // namespace

std::string input_file_name(std::string_view argument) {
  const std::size_t first = argument.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = argument.find_last_not_of(' ');
  return std::string(argument.substr(first, last - first + 1));
}

int tessaro_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  int first = 1;
  if (!leading_options(argc, argv, first, err)) return 2;
  if (argc <= first || argv[first] == nullptr) {
    err << kUsageLine << '\n';
    return 2;
  }
  const std::string_view argument = argv[first];
  if (argument == "--help") {
    out << kHelpText;
    return 0;
  }
  if (argument == "--template") return template_option(argc, argv, first + 1, out, err);
  if (argument == "--version") {
    out << "tessaro " << TESSARO_VERSION << '\n';
    return 0;
  }
  if (argument == "--check") {
    const std::string name = first + 1 < argc && argv[first + 1] ? input_file_name(argv[first + 1]) : std::string();
    if (name.empty()) {
      err << kUsageLine << '\n';
      return 2;
    }
    return check_run(name, out);
  }
  // Any other option (-h, a misspelt one) is a usage error, not a file name.
  if (argument.starts_with("-")) {
    err << "tessaro: unknown option " << argument << '\n' << kUsageLine << '\n';
    return 2;
  }
  const std::string name = input_file_name(argument);
  if (name.empty()) {
    err << kUsageLine << '\n';
    return 2;
  }

  Run run(out, err);
  int status = 0;
  try {
    // A file that cannot be opened reads as an empty one (and a missing one is
    // not created): the reader finds no report name and ends the run.
    std::ifstream in(name, std::ios::in | std::ios::binary);
    textio::LineReader input(in, name, textio::regular_file_size(name));
    prepare_run(run, input);
    write_banner(run);
    run_sections(run);
  } catch (const RunEnd& end) {
    status = end.status;
    if (status != 0) run.tell_stop();
  } catch (const textio::TextIoError& e) {
    err << ' ' << e.what() << '\n';
    run.tell_stop(false);
    status = 2;
  } catch (const std::bad_alloc&) {
    err << ' ' << kAllocationMessage << '\n';
    status = 1;
  } catch (const std::exception& e) {
    // Not a condition of the run's own: reported, never a crash.
    err << " Internal error: " << e.what() << '\n';
    status = 1;
  }
  // A report that could not be written completely is a failed run.
  if (!run.flush() && status == 0) status = 1;
  err.flush();
  return status;
}

}  // namespace tessaro
