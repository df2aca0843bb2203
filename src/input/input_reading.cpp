#include "input/input_reading.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "run/run.hpp"
#include "input/symm_operation.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"

namespace tessaro {

namespace {

using textio::FreeItem;
using textio::ReadStatus;
using textio::TextIoError;

// Every line of the template is taken as exactly 50 columns: a shorter line
// is padded with blanks, columns after the 50th are not read.
constexpr std::size_t kLineWidth = 50;

template <typename T>
ReadStatus read_one(std::string_view text, T& value) {
  const std::array<FreeItem, 1> items{&value};
  return textio::read_free(text, items);
}

// The line buffer and the forward-only keyword search over the template.
class TemplateLines {
 public:
  TemplateLines(textio::LineReader& in, Run& run) : in_(in), run_(run) { blank(); }

  // Sets the buffer to blanks, so that the next search starts with a fresh line.
  void blank() { line_.assign(kLineWidth, ' '); }

  // Ends at once when the buffer already begins with the keyword; otherwise
  // reads on until a line begins with it, character for character from
  // column 1. False when the file ends first.
  // A search that fails leaves a line for standard error naming the keyword,
  // the line after which it was looked for and what usually hides one.
  bool search(std::string_view keyword) {
    keyword_ = keyword;
    const long after = in_.line_number();
    while (!begins_with(keyword)) {
      std::string_view next;
      if (!in_.next(next)) {
        if (in_.line_number() == 0) {
          run_.stop_detail(in_.file_name() + " holds no line: it is missing, empty or cannot be read");
          return false;
        }
        const std::string where = after == 0 ? " in " : " after line " + std::to_string(after) + " of ";
        run_.stop_detail("the keyword " + std::string(keyword) + " was not found" + where + in_.file_name() +
                         std::string(kUsualCauses));
        return false;
      }
      load(next);
    }
    return true;
  }

  // Columns first .. last (1-based, inclusive) shifted left over their
  // leading blanks and padded with blanks to the width of the range, which is
  // the length of the text field that receives them.
  std::string text(int first, int last) const {
    std::string_view field = std::string_view(line_).substr(static_cast<std::size_t>(first - 1),
                                                            static_cast<std::size_t>(last - first + 1));
    std::string out(field.size(), ' ');
    std::size_t lead = field.find_first_not_of(' ');
    if (lead != std::string_view::npos) out.replace(0, field.size() - lead, field.substr(lead));
    return out;
  }

  // Columns first .. last as a text of their own, for a free-form read.
  std::string_view range(int first, int last) const {
    return std::string_view(line_).substr(static_cast<std::size_t>(first - 1),
                                          static_cast<std::size_t>(last - first + 1));
  }

  // The n characters after column `col`, blanks beyond the 50th column.
  std::string after(int col, std::size_t n) const {
    std::string out(n, ' ');
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t pos = static_cast<std::size_t>(col) + i;  // 0-based index of column col + 1 + i
      if (pos < kLineWidth) out[i] = line_[pos];
    }
    return out;
  }

  char at(int col) const { return line_[static_cast<std::size_t>(col - 1)]; }

  // A file name field, as text() gives it. A name holding a control character
  // (NUL, another byte below the blank, DEL) is a bad value of its line: the
  // system would cut the name at a NUL, and no file of the run should carry a
  // line end or a tab in its name.
  std::string name(int first, int last) const {
    std::string field = text(first, last);
    require_name(field, first, last);
    return field;
  }
  void require_name(std::string_view name, int first, int last) const {
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7f) {
        field_detail(first, last, "holds a control character");
        in_.fail_bad_value();
      }
    }
  }

  // A free-form read of columns first .. last that the template's own checks
  // do not handle: its failure is a failure of the text layer naming the
  // input file and line, with a line for standard error naming the field.
  template <typename T>
  void read(int first, int last, T& value) const {
    const ReadStatus status = read_one(range(first, last), value);
    if (status == ReadStatus::Ok) return;
    const char* what = std::is_integral_v<T> ? "a whole number" : std::is_floating_point_v<T> ? "a number" : "a name";
    field_detail(first, last, status == ReadStatus::Error ? std::string("cannot be read as ") + what
                                                          : std::string("holds no value (") + what + " is needed)");
    require(status);
  }
  void require(ReadStatus status) const {
    if (status == ReadStatus::Ok) return;
    throw TextIoError(status == ReadStatus::Error ? TextIoError::Kind::BadValue : TextIoError::Kind::EndOfFile,
                      in_.file_name(), in_.line_number());
  }

  // The field of the keyword last searched for, in columns first .. last of
  // the current line.
  void field_detail(int first, int last, const std::string& fault) const {
    run_.stop_detail(std::string(keyword_) + ": columns " + std::to_string(first) + "-" + std::to_string(last) +
                     " of line " + std::to_string(in_.line_number()) + " of " + in_.file_name() + " " + fault);
  }

  // A search whose end of file the template does not handle.
  [[noreturn]] void fail_end_of_file() const { in_.fail_end_of_file(); }

  // Lines a count announces after the current one (see LineReader).
  void require_lines(std::uint64_t count) { in_.require_lines(count); }

 private:
  bool begins_with(std::string_view keyword) const { return std::string_view(line_).substr(0, keyword.size()) == keyword; }

  void load(std::string_view next) {
    // A UTF-8 byte-order mark that an editor wrote before the first line is
    // no part of it.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (in_.line_number() == 1 && next.starts_with(kByteOrderMark)) next.remove_prefix(kByteOrderMark.size());
    line_.assign(kLineWidth, ' ');
    line_.replace(0, std::min(next.size(), kLineWidth), next.substr(0, std::min(next.size(), kLineWidth)));
  }

  static constexpr std::string_view kUsualCauses =
      " (usual causes: the keyword is not in column 1, not in capitals, out of order, or a line of its section is"
      " missing)";

  textio::LineReader& in_;
  Run& run_;
  std::string line_;
  std::string_view keyword_;
};

// An option line: in columns first .. last, each star chooses the option
// words that the characters after it begin with. Returns one flag per word;
// `unknown` counts the stars followed by none of the words.
template <std::size_t N>
std::array<std::int32_t, N> options(const TemplateLines& lines, int first, int last,
                                    const std::array<std::string_view, N>& words, int& unknown) {
  std::array<std::int32_t, N> flags{};
  unknown = 0;
  for (int col = first; col <= last; ++col) {
    if (lines.at(col) != '*') continue;
    bool matched = false;
    for (std::size_t w = 0; w < N; ++w) {
      if (lines.after(col, words[w].size()) == words[w]) {
        flags[w] = 1;
        matched = true;
      }
    }
    if (!matched) ++unknown;
  }
  return flags;
}

template <std::size_t N>
std::array<std::int32_t, N> options(const TemplateLines& lines, int first, int last,
                                    const std::array<std::string_view, N>& words) {
  int unknown = 0;
  return options(lines, first, last, words, unknown);
}

// How many options of a line are on (each flag is 0 or 1).
template <std::size_t N>
int chosen(const std::array<std::int32_t, N>& flags) {
  int count = 0;
  for (std::int32_t flag : flags) count += flag;
  return count;
}

// An error stop with a message in the report.
[[noreturn]] void stop_in_report(Run& run, std::string_view message) {
  run.report_line(message);
  end_run(1);
}

// A search of a section met the end of the file: the keywords no longer stand
// in the order the reader looks for them. The section's problem line and the
// common stop line go to the report, and the same two to the console so that
// the user sees at once why the run stopped.
[[noreturn]] void template_stop(Run& run, std::string_view problem) {
  constexpr std::string_view kTemplateModified = "THE TEMPLATE MIGHT HAVE BEEN MODIFIED, PROGRAM STOP";
  run.report_line(problem);
  run.report_line(kTemplateModified);
  run.console_line(problem);
  run.console_line(kTemplateModified);
  end_run(1);
}

// ---------------------------------------------------------------------------
// WFN section

void wfn_search(Run& run, TemplateLines& lines, std::string_view keyword) {
  if (!lines.search(keyword)) template_stop(run, "WFN SECTION: PROBLEM IN READING THE INPUT!!!!");
}

void read_wfn_section(Run& run, TemplateLines& lines) {
  InputVariables& v = run.input_variables;
  lines.blank();
  wfn_search(run, lines, "PROPERTIES FROM WAVEFUNCTION");
  wfn_search(run, lines, "INPUT");
  v.wfn_inpname = lines.name(7, 39);
  if (!lines.search("OUTPUT")) lines.fail_end_of_file();
  v.wfn_outname = lines.name(8, 40);
  if (trimmed(v.wfn_outname).empty()) run.report_line("WFN SECTION: output name for grid files not given!!!");

  wfn_search(run, lines, "CALCULATING");
  v.wfn_risp = options<4>(lines, 1, 47, {"rho", "gra", "lap", "ene"});

  wfn_search(run, lines, "CENTER");
  {
    // A failed read keeps the numbers read before the failure and leaves the
    // others 0: the longest readable prefix of the three items is kept.
    std::array<float, 3> centre{};
    std::size_t count = 3;
    for (; count >= 1; --count) {
      std::array<float, 3> attempt{};
      const std::array<FreeItem, 3> items{&attempt[0], &attempt[1], &attempt[2]};
      if (textio::read_free(lines.range(8, 50), std::span<const FreeItem>(items.data(), count)) == ReadStatus::Ok) {
        centre = attempt;
        break;
      }
    }
    const bool read = count == 3;
    v.centre_wfn = centre;
    if (!read) run.report_line("WFN SECTION: bad value for cube center!!");
  }

  if (!lines.search("N_POINTS_X")) lines.fail_end_of_file();
  lines.read(12, 40, v.n_puntix);
  wfn_search(run, lines, "STEPSIZE_X");
  lines.read(12, 40, v.orient_matr[0][0]);
  wfn_search(run, lines, "N_POINTS_Y");
  lines.read(12, 40, v.n_puntiy);
  wfn_search(run, lines, "STEPSIZE_Y");
  lines.read(12, 40, v.orient_matr[1][1]);
  wfn_search(run, lines, "N_POINTS_Z");
  lines.read(12, 40, v.n_puntiz);
  wfn_search(run, lines, "STEPSIZE_Z");
  lines.read(12, 40, v.orient_matr[2][2]);
  // A step of 0 (or one too small for single precision) puts all points of an
  // axis in one place: every cube of the section would have an axis of length 0.
  constexpr std::string_view kStepKeywords[] = {"STEPSIZE_X", "STEPSIZE_Y", "STEPSIZE_Z"};
  for (std::size_t a = 0; a < 3; ++a)
    if (v.orient_matr[a][a] == 0.0f)
      stop_in_report(run, "WFN SECTION: " + std::string(kStepKeywords[a]) +
                              " is 0 in single precision (a grid axis of length 0), PROGRAM STOP");
}

// ---------------------------------------------------------------------------
// TOP section

// The console code, written before the stop, names the search that met the
// end of the file.
void top_search(Run& run, TemplateLines& lines, std::string_view keyword, std::string_view code) {
  if (lines.search(keyword)) return;
  run.console_line(code);
  template_stop(run, "TOPOND FILE CONVERSION SECTION: PROBLEM IN READING THE INPUT!!!!");
}

void read_top_section(Run& run, TemplateLines& lines) {
  InputVariables& v = run.input_variables;
  lines.blank();
  top_search(run, lines, "TOPOND TO CUBE CONVERSION", "err topo0");
  top_search(run, lines, "N_OF_GRIDS", "err topo1");
  {
    std::int32_t n = 0;
    if (read_one(lines.range(12, 50), n) == ReadStatus::Ok) {
      v.n_grid = n;
    } else {
      run.report_line("TOPOND FILE CONVERSION SECTION: problem in reading the number of input grid files");
      // The section then converts no grid: said where the user looks too.
      run.console_line("TOPOND FILE CONVERSION SECTION: the number of input grid files (N_OF_GRIDS) cannot be read,"
                       " no grid file will be converted");
    }
  }
  if (v.n_grid > 3) {
    // One free-form line of two text items: the second follows the first
    // directly, without a separating blank.
    run.report_line(std::string("TOPOND FILE CONVERSION SECTION: number of grid files greater than 3.") +
                    " Only first three files will be converted");
  }

  struct GridNames {
    std::string* grid;
    std::string* cube;
    const char* grid_code;
    const char* cube_code;
  };
  const std::array<GridNames, 3> names{{
      {&v.grd_top_name1, &v.cubeout1, "err topo2_1a", "err topo2_1b"},
      {&v.grd_top_name2, &v.cubeout2, "err topo2_2a", "err topo2_2b"},
      {&v.grd_top_name3, &v.cubeout3, "err topo2_3a", "err topo2_3b"},
  }};
  for (std::int32_t g = 0; g < 3 && g < v.n_grid; ++g) {
    lines.blank();
    top_search(run, lines, "GRID_FILE_NAME", names[g].grid_code);
    *names[g].grid = lines.name(16, 45);
    top_search(run, lines, "CUBE_NAME(OUTPUT)", names[g].cube_code);
    *names[g].cube = lines.name(19, 48);
  }

  lines.blank();
  top_search(run, lines, "CRYSTAL_OUTPUT_NAME", "err topo3");
  v.crys_out = lines.name(21, 50);
  top_search(run, lines, "N_OF_SYMM_OPERATIONS", "err topo4");
  lines.read(22, 50, v.n_symm);

  if (v.n_symm > 0) {
    // Each operation is a SYMM line of its own.
    lines.require_lines(static_cast<std::uint64_t>(v.n_symm));
    check_allocation(static_cast<std::size_t>(v.n_symm) * 9, sizeof(std::int32_t));
    check_allocation(static_cast<std::size_t>(v.n_symm) * 3, sizeof(double));
  }
  v.create_symmetry_arrays(v.n_symm);
  for (std::int32_t i = 1; i <= v.n_symm; ++i) {
    lines.blank();
    if (!lines.search("SYMM")) lines.fail_end_of_file();
    SymmOperation op;
    const ReadStatus symm = parse_symm_operation(lines.range(5, 44), op);
    if (symm != ReadStatus::Ok) lines.field_detail(5, 44, "cannot be read as a symmetry operation such as -x+1/2,-y,z");
    lines.require(symm);
    for (int j = 1; j <= 3; ++j) {
      for (int c = 1; c <= 3; ++c) v.symm(i, c, j) = op.coefficient[j - 1][c - 1];
      v.tr(i, j) = op.translation[j - 1];
    }
  }
}

// ---------------------------------------------------------------------------
// RDG section

void rdg_search(Run& run, TemplateLines& lines, std::string_view keyword) {
  if (!lines.search(keyword))
    template_stop(run, "RDG, RHO*SIGN(L2) AND ABRAMOV ENERGY CALCULATION SECTION: PROBLEM IN READING THE INPUT!!!!");
}

// The cube file name of a derivative grid (columns 17-50) and, with XD2006
// input, its grd file name (columns 25-50).
void read_grid_names(Run& run, TemplateLines& lines, std::string_view cube_keyword, std::string_view grd_keyword,
                     bool xd2, std::string& cube_name, std::string& grd_name) {
  rdg_search(run, lines, cube_keyword);
  cube_name = lines.name(17, 50);
  if (xd2) {
    rdg_search(run, lines, grd_keyword);
    grd_name = lines.name(25, 50);
  }
}

void read_rdg_section(Run& run, TemplateLines& lines) {
  InputVariables& v = run.input_variables;
  lines.blank();
  rdg_search(run, lines, "RDG,RHO*(signL2) AND ABRAMOV");

  rdg_search(run, lines, "INPUT");
  {
    int unknown = 0;
    v.inprdg_risp = options<3>(lines, 7, 47, {"XD2", "GAU", "CUB"}, unknown);
    for (int s = 0; s < unknown; ++s)
      run.report_line("RDG CALCULATION SECTION: no input file format has been chosen!!!");
    if (chosen(v.inprdg_risp) > 1)
      stop_in_report(run, "RDG CALCULATION SECTION: more than one input format has been chosen.PROGRAM STOP!!!!");
  }
  const bool xd2 = v.inprdg_risp[kXd2Format] == 1;

  rdg_search(run, lines, "CALCULATING");
  v.calc_risp = options<4>(lines, 13, 47, {"RDG", "rho", "Abr", "plo"});
  const bool job_rdg = v.calc_risp[kRdgJob] == 1, job_rho = v.calc_risp[kRhosignJob] == 1;
  const bool job_abr = v.calc_risp[kAbramovJob] == 1, job_plo = v.calc_risp[kPlotJob] == 1;

  rdg_search(run, lines, "RHO_INPUT_CUBE");
  v.rhocube_inp = lines.name(16, 50);
  if (xd2) {
    rdg_search(run, lines, "RHO_INPUT_GRD(XD only)");
    v.rhogrd_inp = lines.name(24, 50);
  }

  rdg_search(run, lines, "GRAD=");
  {
    const auto [calc, read] = options<2>(lines, 6, 46, {"calc", "read"});
    v.grad_calc = calc;
    v.grad_read = read;
  }
  if (v.grad_read == 1)
    read_grid_names(run, lines, "GRAD_INPUT_CUBE", "GRAD_INPUT_GRD(XD only)", xd2, v.gradcube_inp, v.gradgrd_inp);

  rdg_search(run, lines, "LAPL=");
  {
    const auto [calc, read] = options<2>(lines, 6, 46, {"calc", "read"});
    v.lapl_calc = calc;
    v.lapl_read = read;
  }
  if (v.lapl_calc == 0)
    read_grid_names(run, lines, "LAPL_INPUT_CUBE", "LAPL_INPUT_GRD(XD only)", xd2, v.laplcube_inp, v.laplgrd_inp);

  if (job_rdg) {
    rdg_search(run, lines, "RDG_CALCULATION");
    int unknown = 0;
    v.rdg_risp = options<3>(lines, 17, 45, {"all_p", "rho_c", "rhosi"}, unknown);
    for (int s = 0; s < unknown; ++s)
      run.report_line("RDG CALCULATION:no option for points to calculate RDG has been chosen!!!");
    if (chosen(v.rdg_risp) > 1)
      stop_in_report(run, "!!!ERROR IN CHOSING WHICH POINTS WILL BE CONSIDERED IN RDG CALCULATION. PROGRAM STOP");
    if (v.rdg_risp[kRhoRangeRule] == 1 || v.rdg_risp[kRhosignRangeRule] == 1) {
      rdg_search(run, lines, "LOWER_VALUE");
      lines.read(13, 50, v.rhocutoff[0]);
      rdg_search(run, lines, "UPPER_VALUE");
      lines.read(13, 50, v.rhocutoff[1]);
    }

    rdg_search(run, lines, "RDG_OUTPUT");
    v.rdg_outname = lines.name(12, 41);

    rdg_search(run, lines, "SPACE_CUTOFF");
    v.rdg_rispace = options<3>(lines, 13, 45, {"none", "atom", "exte"});
    if (chosen(v.rdg_rispace) > 1)
      stop_in_report(run,
                     "!!!ERROR IN CHOSING THE SPACE CUTOFF FOR RDG CALCULATION(more than one choice). PROGRAM STOP");
    if (v.rdg_rispace[kAtomSpaceCutoff] == 1 || v.rdg_rispace[kExteSpaceCutoff] == 1) {
      rdg_search(run, lines, "TOLERANCE");
      lines.read(11, 50, v.spacecutoff);
    }
  }

  v.rhosign_points = 0;
  if (job_rho) {
    rdg_search(run, lines, "RHO_SIGN_CALCULATION");
    const auto [rdg_points] = options<1>(lines, 22, 45, {"RDG_p"});
    v.rhosign_points = rdg_points;
    rdg_search(run, lines, "RHO_SIGN_OUTPUT");
    v.rhosign_outname = lines.name(17, 46);
  }

  v.e_points = 0;
  if (job_abr) {
    rdg_search(run, lines, "ENERGY_CALCULATION");
    const auto [rdg_points] = options<1>(lines, 20, 45, {"RDG_p"});
    v.e_points = rdg_points;
    rdg_search(run, lines, "ENERGY_OUTPUT");
    v.e_outname = lines.name(15, 44);
  }

  v.duedplot = {};
  if (job_plo) {
    rdg_search(run, lines, "2DPLOT");
    // "rho*" is rho directly followed by the star of the next option.
    const auto [rho_blank, rho_star, rhosign] = options<3>(lines, 8, 45, {"rho ", "rho*", "rhos"});
    v.duedplot[kRhoPlot] = rho_blank | rho_star;
    v.duedplot[kRhosignPlot] = rhosign;
    rdg_search(run, lines, "PLOT_NAME");
    // The plot name is a free-form text item: it ends at the first blank.
    std::string name = blank_text(v.plot_name.size());
    lines.read(11, 40, name);
    lines.require_name(name, 11, 40);
    std::size_t lead = name.find_first_not_of(' ');
    v.plot_name = blank_text(name.size());
    if (lead != std::string::npos) v.plot_name.replace(0, name.size() - lead, name.substr(lead));
  }

  // The jobs against the derivative sources they need.
  const bool gradient = v.grad_calc == 1 || v.grad_read == 1;
  const bool laplacian = v.lapl_calc == 1 || v.lapl_read == 1;
  if (v.calc_risp[kRdgJob] == 1 && !gradient) {
    run.report_line("RDG CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!");
    run.report_line("RDG WILL NOT BE CALCULATED");
    v.calc_risp[kRdgJob] = 0;
  }
  if (v.calc_risp[kPlotJob] == 1 && !gradient) {
    run.report_line("rho VS RDG PLOT CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!");
    run.report_line("rho VS RDG PLOT WILL NOT BE CALCULATED");
    v.calc_risp[kPlotJob] = 0;
  }
  if (v.calc_risp[kAbramovJob] == 1 && !(gradient && laplacian)) {
    // A missing gradient is named first, and alone.
    run.report_line(!gradient
                        ? "ABRAMOV ENERGY CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!"
                        : "ABRAMOV ENERGY CALCULATION REQUIRED WITHOUT READING/CALCULATING LAPLACIAN GRID FILES!!!!");
    run.report_line("ABRAMOV ENERGY WILL NOT BE CALCULATED");
    v.calc_risp[kAbramovJob] = 0;
  }
}

}  // namespace

void input_reading(Run& run, textio::LineReader& input) {
  InputVariables& v = run.input_variables;
  TemplateLines lines(input, run);

  if (!lines.search("OUTPUT_FILE_NAME")) {
    run.console_line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP");
    end_run(1);
  }
  v.report_name = lines.name(18, 47);
  const std::string report_file = trimmed(v.report_name);
  if (report_file.empty()) {
    // No file can be opened under a blank name: the message goes to the
    // console and no report file is created.
    run.console_line("NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP");
    end_run(1);
  }
  {
    // Replacing the report would destroy the template being read.
    std::error_code ec;
    if (std::filesystem::equivalent(report_file, input.file_name(), ec)) {
      run.console_line("NAME FOR OUTPUT FILE IS THE NAME OF THE INPUT FILE, PROGRAM STOP");
      end_run(1);
    }
  }
  run.name_report(report_file);

  v.inp1_risp = {};
  v.wfn_risp = {};
  v.orient_matr = {};
  lines.blank();
  if (!lines.search("SECTIONS")) lines.fail_end_of_file();
  v.inp1_risp = options<3>(lines, 1, 47, {"WFN", "TOP", "RDG"});
  if (chosen(v.inp1_risp) == 0) {
    run.report_line("NO JOB HAS BEEN ASSIGNED TO THE PROGRAM!!");
    return;
  }

  if (v.inp1_risp[kWfnSection] == 1) read_wfn_section(run, lines);
  if (v.inp1_risp[kTopSection] == 1) read_top_section(run, lines);
  if (v.inp1_risp[kRdgSection] == 1) read_rdg_section(run, lines);
}

}  // namespace tessaro
