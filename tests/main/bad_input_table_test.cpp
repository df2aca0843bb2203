// One table of malformed inputs across every reader, each run as a whole
// program in a fresh folder: the expected message (console, standard error or
// report), the exit status (1 for the program's own error stops, 2 for the
// text layer's "Bad value during read" / "End of file" with file and line),
// and the files the run left behind (nothing but the report and the results
// completed before the stop: no partial or temporary file). No row's run may
// change a file it was given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;
using tessaro::testing::lines_of;
using tessaro::testing::read_file;

enum class Where { Console, Err, Report };
enum class Kind { Text, Directory, Unreadable, Link, ReadOnly };

struct File {
  std::string name;
  std::string content;  // of a Link: the name it points to
  Kind kind = Kind::Text;
};

struct Row {
  std::string name;
  std::vector<File> files;  // the template, when there is one, is among them
  int status;
  Where where;
  std::string message;
  std::set<std::string> written;  // new names in the folder after the run
  std::string argument = "t.inp";
};

std::string data(const std::string& relative) { return read_file(fs::path(TESSARO_TEST_DATA) / relative); }

std::string join(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

// The first n lines of a text.
std::string cut(const std::string& text, std::size_t n) {
  auto lines = lines_of(text);
  lines.resize(std::min(n, lines.size()));
  return join(lines);
}

// The text with line n (1-based) replaced.
std::string replace_line(const std::string& text, std::size_t n, const std::string& line) {
  auto lines = lines_of(text);
  lines.at(n - 1) = line;
  return join(lines);
}

// The text without lines first..last (1-based).
std::string without_lines(const std::string& text, std::size_t first, std::size_t last) {
  auto lines = lines_of(text);
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first - 1), lines.begin() + static_cast<std::ptrdiff_t>(last));
  return join(lines);
}

// The text with lone CR line ends.
std::string cr(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '\r');
  return text;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A report line for a file that cannot be opened: the name in its whole field.
std::string cannot_open(const std::string& name, std::size_t width) {
  std::string padded = name;
  padded.resize(width, ' ');
  return " " + padded + " file cannot be opened, program stop";
}

std::string eof(const std::string& file, long line) {
  return "End of file: file " + file + ", line " + std::to_string(line);
}
std::string bad(const std::string& file, long line) {
  return "Bad value during read: file " + file + ", line " + std::to_string(line);
}

const std::string kRdgPair = "RDG, RHO*SIGN(L2) AND ABRAMOV ENERGY CALCULATION SECTION: PROBLEM IN READING THE INPUT!!!!";
const std::string kWfnPair = "WFN SECTION: PROBLEM IN READING THE INPUT!!!!";
const std::string kTopPair = "TOPOND FILE CONVERSION SECTION: PROBLEM IN READING THE INPUT!!!!";
const std::string kAllocation = "Allocation would exceed memory limit";

// The RDG section with job rho only, so that a good density grid gives one
// result, rs.cube (and rs.grd with XD2).
std::string rdg_template(const std::string& format = "CUB") {
  std::string t =
      "OUTPUT_FILE_NAME r.txt\n"
      "SECTIONS *RDG\n"
      "RDG,RHO*(signL2) AND ABRAMOV\n"
      "INPUT *" + format + "\n"
      "CALCULATING *rho\n"
      "RHO_INPUT_CUBE rho.cube\n";
  if (format == "XD2") t += "RHO_INPUT_GRD(XD only) rho.grd\n";
  t += "GRAD=\nLAPL=\nLAPL_INPUT_CUBE l.cube\n";
  if (format == "XD2") t += "LAPL_INPUT_GRD(XD only) l.grd\n";
  t += "RHO_SIGN_CALCULATION\nRHO_SIGN_OUTPUT rs\n";
  return t;
}

// RDG job with the gradient read from a Gaussian cube.
std::string rdg_gau_template() {
  return "OUTPUT_FILE_NAME r.txt\n"
         "SECTIONS *RDG\n"
         "RDG,RHO*(signL2) AND ABRAMOV\n"
         "INPUT *GAU\n"
         "CALCULATING *RDG\n"
         "RHO_INPUT_CUBE rho.cube\n"
         "GRAD= *read\n"
         "GRAD_INPUT_CUBE grad.cube\n"
         "LAPL= *calc\n"
         "RDG_CALCULATION *all_p\n"
         "RDG_OUTPUT rdg\n"
         "SPACE_CUTOFF *none\n";
}

// Every RDG job on rho.cube, gradient and Laplacian computed, the results
// under the names given.
std::string rdg_jobs_template(const std::string& rdg_output, const std::string& rho_sign_output,
                              const std::string& energy_output, const std::string& plot_name) {
  return "OUTPUT_FILE_NAME r.txt\n"
         "SECTIONS *RDG\n"
         "RDG,RHO*(signL2) AND ABRAMOV\n"
         "INPUT *CUB\n"
         "CALCULATING *RDG *rho *Abr *plo\n"
         "RHO_INPUT_CUBE rho.cube\n"
         "GRAD= *calc\n"
         "LAPL= *calc\n"
         "RDG_CALCULATION *all_p\n"
         "RDG_OUTPUT " + rdg_output + "\n"
         "SPACE_CUTOFF *none\n"
         "RHO_SIGN_CALCULATION\n"
         "RHO_SIGN_OUTPUT " + rho_sign_output + "\n"
         "ENERGY_CALCULATION\n"
         "ENERGY_OUTPUT " + energy_output + "\n"
         "2DPLOT *rho *rhosign\n"
         "PLOT_NAME " + plot_name + "\n";
}

// The density of m.wfn on a 2 x 2 x 2 box.
std::string wfn_template(const std::string& n_points_x = "2") {
  return "OUTPUT_FILE_NAME r.txt\n"
         "SECTIONS *WFN\n"
         "PROPERTIES FROM WAVEFUNCTION\n"
         "INPUT m.wfn\n"
         "OUTPUT m\n"
         "CALCULATING *rho\n"
         "CENTER 0.0 0.0 0.0\n"
         "N_POINTS_X " + n_points_x + "\n"
         "STEPSIZE_X 0.5\n"
         "N_POINTS_Y 2\n"
         "STEPSIZE_Y 0.5\n"
         "N_POINTS_Z 2\n"
         "STEPSIZE_Z 0.5\n";
}

// The same from the .wfx file m.wfx.
std::string wfx_template() {
  std::string t = wfn_template();
  t.replace(t.find("INPUT m.wfn"), 11, "INPUT m.wfx");
  return t;
}

// One TOPOND grid g.dat converted to g.cube with the atoms of c.out.
std::string top_template(const std::string& symm = "SYMM x,y,z\n", const std::string& n_symm = "1") {
  return "OUTPUT_FILE_NAME r.txt\n"
         "SECTIONS *TOP\n"
         "TOPOND TO CUBE CONVERSION\n"
         "N_OF_GRIDS 1\n"
         "GRID_FILE_NAME g.dat\n"
         "CUBE_NAME(OUTPUT) g\n"
         "CRYSTAL_OUTPUT_NAME c.out\n"
         "N_OF_SYMM_OPERATIONS " + n_symm + "\n" + symm;
}

const std::string kTopondGrid =
    "   2   1   2\n"
    " 0.00000000E+00  9.99999999E+99  0.10000000E+00\n"
    " 0.00000000E+00  9.99999999E+99  0.20000000E+00\n"
    " 0.00000000E+00  9.99999999E+99  0.30000000E+00\n"
    "  0.10000000E+01  0.20000000E+01\n"
    "  0.30000000E+01  0.40000000E+01\n";

File tpl(const std::string& text) { return {"t.inp", text}; }

std::vector<Row> table() {
  const std::string cube = data("analysis/rho.cube");  // 5 x 5 x 5, one atom: lines 8-32 are values
  const std::string xd_cube = data("analysis/xd_rho.cube");
  const std::string grd = data("analysis/xd_rho.grd");  // 13 header lines, values from line 14
  const std::string gau_grad = data("analysis/gau_grad.cube");
  const std::string wfn = data("wavefunction/water_dimer.wfn");  // 193 lines, exponents 17-31
  // Types 93-128, exponents 129-164, coefficients 186-412 (first orbital's from line 190).
  const std::string wfx = data("wavefunction/gh_wfn/h2o_qz.wfx");
  const std::string crystal = data("topond/hand_cell.out");
  const std::string hexagonal = data("topond/hematite_excerpt.out");  // matrix line 18, cell line 23
  const std::string rdg = rdg_template(), xd2 = rdg_template("XD2");
  const std::string long_junk((1 << 20) - 64, 'j');  // with the text before it, within a line's 1 MiB
  const std::string nul("\0", 1);

  std::vector<Row> t = {
      // ----- the input template and the report file -----
      {"template empty", {tpl("")}, 1, Where::Console, "NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP", {}},
      {"template missing (not created)", {}, 1, Where::Console, "NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP", {}},
      {"template is a directory", {{"t.inp", "", Kind::Directory}}, 1, Where::Console,
       "NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP", {}},
      {"template unreadable", {{"t.inp", rdg, Kind::Unreadable}}, 1, Where::Console,
       "NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP", {}},
      {"template of comments only", {tpl("# OUTPUT_FILE_NAME r.txt\n OUTPUT_FILE_NAME r.txt\n")}, 1, Where::Console,
       "NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP", {}},
      {"report name blank", {tpl("OUTPUT_FILE_NAME\nSECTIONS *RDG\n")}, 1, Where::Console,
       "NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP", {}},
      {"report name is a directory", {tpl("OUTPUT_FILE_NAME rdir\nSECTIONS *RDG\n"), {"rdir", "", Kind::Directory}},
       1, Where::Console, "PROBLEM IN OPENING THE OUTPUT FILE rdir", {}},
      {"report name is the template", {tpl("OUTPUT_FILE_NAME t.inp\nSECTIONS *RDG\n")}, 1, Where::Console,
       "NAME FOR OUTPUT FILE IS THE NAME OF THE INPUT FILE, PROGRAM STOP", {}},
      {"cut before SECTIONS", {tpl("OUTPUT_FILE_NAME r.txt\n")}, 2, Where::Err, eof("t.inp", 2), {"r.txt"}},
      {"no section marked", {tpl("OUTPUT_FILE_NAME r.txt\nSECTIONS WFN TOP RDG\n")}, 0, Where::Report,
       "NO JOB HAS BEEN ASSIGNED TO THE PROGRAM!!", {"r.txt"}},
      {"cut before the RDG header", {tpl(cut(rdg, 2))}, 1, Where::Report, kRdgPair, {"r.txt"}},
      {"cut after the RDG INPUT line", {tpl(cut(rdg, 4))}, 1, Where::Console, kRdgPair, {"r.txt"}},
      {"cut after RHO_INPUT_CUBE", {tpl(cut(rdg, 6))}, 1, Where::Report, kRdgPair, {"r.txt"}},
      {"cut before RHO_SIGN_OUTPUT", {tpl(cut(rdg, 10))}, 1, Where::Report, kRdgPair, {"r.txt"}},
      {"RDG keyword in lower case", {tpl(replace_line(rdg, 3, "rdg,rho*(signL2) and abramov"))}, 1, Where::Report,
       kRdgPair, {"r.txt"}},
      {"two input formats", {tpl(replace_line(rdg, 4, "INPUT *XD2 *GAU"))}, 1, Where::Report,
       "RDG CALCULATION SECTION: more than one input format has been chosen.PROGRAM STOP!!!!", {"r.txt"}},
      {"LOWER_VALUE not a number",
       {tpl("OUTPUT_FILE_NAME r.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\nCALCULATING *RDG\n"
            "RHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL= *calc\nRDG_CALCULATION *rho_c\nLOWER_VALUE abc\n"
            "UPPER_VALUE 1.0\n")},
       2, Where::Err, bad("t.inp", 10), {"r.txt"}},
      {"UPPER_VALUE blank",
       {tpl("OUTPUT_FILE_NAME r.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\nCALCULATING *RDG\n"
            "RHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL= *calc\nRDG_CALCULATION *rho_c\nLOWER_VALUE 0.1\n"
            "UPPER_VALUE\n")},
       2, Where::Err, eof("t.inp", 11), {"r.txt"}},
      {"TOLERANCE with two decimal points",
       {tpl("OUTPUT_FILE_NAME r.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\nCALCULATING *RDG\n"
            "RHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL= *calc\nRDG_CALCULATION *all_p\nRDG_OUTPUT rdg\n"
            "SPACE_CUTOFF *atom\nTOLERANCE 1.0.0\n")},
       2, Where::Err, bad("t.inp", 12), {"r.txt"}},
      {"template with CR LF line ends", {tpl(crlf(rdg)), {"rho.cube", cube}}, 0, Where::Report, "+++++++++",
       {"r.txt", "rs.cube"}},
      {"tab before a file name is a bad value", {tpl(replace_line(rdg, 6, "RHO_INPUT_CUBE \trho.cube")),
                                                {"rho.cube", cube}},
       2, Where::Err, bad("t.inp", 6), {"r.txt"}},
      {"tab after a keyword is the unread column", {tpl(replace_line(rdg, 6, "RHO_INPUT_CUBE\trho.cube")),
                                                   {"rho.cube", cube}},
       0, Where::Report, "+++++++++", {"r.txt", "rs.cube"}},
      {"NUL bytes on a passed-over line", {tpl("#" + nul + nul + "\n" + rdg), {"rho.cube", cube}}, 0, Where::Report,
       "+++++++++", {"r.txt", "rs.cube"}},
      {"NUL byte after a number", {tpl(wfn_template("2" + nul)), {"m.wfn", wfn}}, 2, Where::Err, bad("t.inp", 8),
       {"r.txt"}},
      {"very long comment line and value line",
       {tpl(long_junk + "\n" + replace_line(rdg, 6, "RHO_INPUT_CUBE rho.cube" + std::string(27, ' ') + long_junk)),
        {"rho.cube", cube}},
       0, Where::Report, "+++++++++", {"r.txt", "rs.cube"}},
      // ----- WFN and TOP sections of the template -----
      {"cut before the WFN header", {tpl(cut(wfn_template(), 2))}, 1, Where::Console, kWfnPair, {"r.txt"}},
      {"cut before OUTPUT (WFN)", {tpl(cut(wfn_template(), 4))}, 2, Where::Err, eof("t.inp", 5), {"r.txt"}},
      {"cut before STEPSIZE_Z", {tpl(cut(wfn_template(), 12))}, 1, Where::Report, kWfnPair, {"r.txt"}},
      {"N_POINTS_X not a number", {tpl(wfn_template("ten")), {"m.wfn", wfn}}, 2, Where::Err, bad("t.inp", 8),
       {"r.txt"}},
      {"N_POINTS_X huge", {tpl(replace_line(replace_line(wfn_template("2000000"), 10, "N_POINTS_Y 2000000"), 12,
                                            "N_POINTS_Z 2000000")),
                           {"m.wfn", wfn}},
       1, Where::Err, kAllocation, {"r.txt"}},
      {"N_POINTS_X negative: header-only cube", {tpl(wfn_template("-5")), {"m.wfn", wfn}}, 0, Where::Report,
       "+++++++++", {"r.txt", "m_rho.cube"}},
      {"cut before the TOP header", {tpl(cut(top_template(), 2))}, 1, Where::Console, "err topo0", {"r.txt"}},
      {"cut before GRID_FILE_NAME", {tpl(cut(top_template(), 4))}, 1, Where::Console, "err topo2_1a", {"r.txt"}},
      {"cut before N_OF_SYMM_OPERATIONS", {tpl(cut(top_template(), 7))}, 1, Where::Report, kTopPair, {"r.txt"}},
      {"N_OF_SYMM_OPERATIONS not a number", {tpl(top_template("", "x")), {"c.out", crystal}, {"g.dat", kTopondGrid}},
       2, Where::Err, bad("t.inp", 8), {"r.txt"}},
      {"SYMM with a letter in its number", {tpl(top_template("SYMM 2x,y,z\n")), {"c.out", crystal},
                                            {"g.dat", kTopondGrid}},
       2, Where::Err, bad("t.inp", 9), {"r.txt"}},
      {"SYMM with a zero denominator", {tpl(top_template("SYMM x+1/0,y,z\n")), {"c.out", crystal},
                                        {"g.dat", kTopondGrid}},
       2, Where::Err, bad("t.inp", 9), {"r.txt"}},
      {"fewer SYMM lines than announced", {tpl(top_template("SYMM x,y,z\n", "2")), {"c.out", crystal},
                                           {"g.dat", kTopondGrid}},
       2, Where::Err, eof("t.inp", 10), {"r.txt"}},
      // ----- cube files (RDG section, CUB mode) -----
      {"cube empty", {tpl(rdg), {"rho.cube", ""}}, 2, Where::Err, eof("rho.cube", 1), {"r.txt"}},
      {"cube cut after its first title line", {tpl(rdg), {"rho.cube", cut(cube, 1)}}, 2, Where::Err,
       eof("rho.cube", 2), {"r.txt"}},
      {"cube cut after the titles", {tpl(rdg), {"rho.cube", cut(cube, 2)}}, 2, Where::Err, eof("rho.cube", 3),
       {"r.txt"}},
      {"cube cut inside the header", {tpl(rdg), {"rho.cube", cut(cube, 4)}}, 2, Where::Err, eof("rho.cube", 5),
       {"r.txt"}},
      {"cube cut before its atom line", {tpl(rdg), {"rho.cube", cut(cube, 6)}}, 2, Where::Err, eof("rho.cube", 7),
       {"r.txt"}},
      {"cube cut inside the values", {tpl(rdg), {"rho.cube", cut(cube, 20)}}, 2, Where::Err, eof("rho.cube", 21),
       {"r.txt"}},
      {"cube cut before its last row", {tpl(rdg), {"rho.cube", cut(cube, 31)}}, 2, Where::Err, eof("rho.cube", 32),
       {"r.txt"}},
      {"cube with more atoms than lines", {tpl(rdg), {"rho.cube", replace_line(cut(cube, 7), 3,
                                                                              "99999   -2.000000   -2.000000   -2.000000")}},
       2, Where::Err, eof("rho.cube", 8), {"r.txt"}},
      {"cube atom count not a number", {tpl(rdg), {"rho.cube", replace_line(cube, 3, "  abc   -2.000000   -2.000000   -2.000000")}},
       2, Where::Err, bad("rho.cube", 3), {"r.txt"}},
      {"cube step not a number", {tpl(rdg), {"rho.cube", replace_line(cube, 4, "    5    1.0x0000    0.000000    0.000000")}},
       2, Where::Err, bad("rho.cube", 4), {"r.txt"}},
      {"cube value not a number", {tpl(rdg), {"rho.cube", replace_line(cube, 15, "  0.25000E+00  0.62500E-01  abc  0.62500E-01  0.25000E+00")}},
       2, Where::Err, bad("rho.cube", 15), {"r.txt"}},
      {"cube with a tab inside a header field", {tpl(rdg), {"rho.cube", replace_line(cube, 5, "    5    0.0000\t0    1.000000    0.000000")}},
       2, Where::Err, bad("rho.cube", 5), {"r.txt"}},
      {"cube with a NUL byte among the values", {tpl(rdg), {"rho.cube", replace_line(cube, 9, "  0.43750E+00" + nul + " 0.25000E+00  0.18750E+00  0.25000E+00  0.43750E+00")}},
       2, Where::Err, bad("rho.cube", 9), {"r.txt"}},
      {"cube negative atom count", {tpl(rdg), {"rho.cube", replace_line(cube, 3, "   -1   -2.000000   -2.000000   -2.000000")}},
       1, Where::Report, "the atom count -1 is negative", {"r.txt"}},
      {"cube zero point count", {tpl(rdg), {"rho.cube", replace_line(cube, 4, "    0    1.000000    0.000000    0.000000")}},
       1, Where::Console, "the number of grid points along axis 1 is 0", {"r.txt"}},
      {"cube negative point count", {tpl(rdg), {"rho.cube", replace_line(cube, 5, "   -5    0.000000    1.000000    0.000000")}},
       1, Where::Report, "the number of grid points along axis 2 is -5", {"r.txt"}},
      {"cube with CR LF line ends", {tpl(rdg), {"rho.cube", crlf(cube)}}, 0, Where::Report, "+++++++++",
       {"r.txt", "rs.cube"}},
      {"cube with a very long header line", {tpl(rdg), {"rho.cube", replace_line(cube, 3, lines_of(cube)[2] + long_junk)}},
       0, Where::Report, "+++++++++", {"r.txt", "rs.cube"}},
      {"cube missing", {tpl(rdg)}, 1, Where::Report, cannot_open("rho.cube", 35), {"r.txt"}},
      {"cube is a directory", {tpl(rdg), {"rho.cube", "", Kind::Directory}}, 1, Where::Report,
       cannot_open("rho.cube", 35), {"r.txt"}},
      {"cube unreadable", {tpl(rdg), {"rho.cube", cube, Kind::Unreadable}}, 1, Where::Report,
       cannot_open("rho.cube", 35), {"r.txt"}},
      // ----- Gaussian gradient cube (GAU mode) and the consistency check -----
      {"gradient cube cut inside its extra lines", {tpl(rdg_gau_template()), {"rho.cube", cube}, {"grad.cube", cut(gau_grad, 9)}},
       2, Where::Err, eof("grad.cube", 10), {"r.txt"}},
      {"gradient cube cut before its last extra line", {tpl(rdg_gau_template()), {"rho.cube", cube}, {"grad.cube", cut(gau_grad, 106)}},
       2, Where::Err, eof("grad.cube", 107), {"r.txt"}},
      {"gradient cube with another origin", {tpl(rdg_gau_template()), {"rho.cube", cube}, {"grad.cube", replace_line(gau_grad, 3, "    1   -2.000001   -2.000000   -2.000000")}},
       1, Where::Report,
       "WARNING!the origin in gradient  cube file is different from the origin in the 'cube file of electron density,PROGRAM STOP",
       {"r.txt"}},
      {"gradient cube with other point counts", {tpl(rdg_gau_template()), {"rho.cube", cube}, {"grad.cube", replace_line(gau_grad, 6, "    4    0.000000    0.000000    1.000000")}},
       1, Where::Console, "WARNING!the number of grid points in gradient  cube file is different from", {"r.txt"}},
      // ----- grd files (XD2 mode) -----
      {"grd empty", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", ""}}, 2, Where::Err, eof("rho.grd", 1), {"r.txt"}},
      {"grd cut inside its header", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", cut(grd, 5)}}, 2, Where::Err,
       eof("rho.grd", 6), {"r.txt"}},
      {"grd cut after its header", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", cut(grd, 13)}}, 2, Where::Err,
       eof("rho.grd", 14), {"r.txt"}},
      {"grd cut before its last row", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", cut(grd, 37)}}, 2, Where::Err,
       eof("rho.grd", 38), {"r.txt"}},
      {"grd value not a number", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", replace_line(grd, 20, "  0.2500000000E+00  one")}},
       2, Where::Err, bad("rho.grd", 20), {"r.txt"}},
      {"grd with CR LF line ends", {tpl(xd2), {"rho.cube", crlf(xd_cube)}, {"rho.grd", crlf(grd)}}, 0, Where::Report,
       "+++++++++", {"r.txt", "rs.cube", "rs.grd"}},
      {"grd missing", {tpl(xd2), {"rho.cube", xd_cube}}, 1, Where::Report, cannot_open("rho.grd", 27), {"r.txt"}},
      {"grd is a directory", {tpl(xd2), {"rho.cube", xd_cube}, {"rho.grd", "", Kind::Directory}}, 1, Where::Report,
       cannot_open("rho.grd", 27), {"r.txt"}},
      {"XD2 cube cut before its atom line", {tpl(xd2), {"rho.cube", cut(xd_cube, 6)}, {"rho.grd", grd}}, 2, Where::Err,
       eof("rho.cube", 7), {"r.txt"}},
      // ----- .wfn files (WFN section) -----
      {"wfn empty", {tpl(wfn_template()), {"m.wfn", ""}}, 2, Where::Err, eof("m.wfn", 1), {"r.txt"}},
      {"wfn cut after its header", {tpl(wfn_template()), {"m.wfn", cut(wfn, 2)}}, 2, Where::Err, eof("m.wfn", 3),
       {"r.txt"}},
      {"wfn cut inside the exponents", {tpl(wfn_template()), {"m.wfn", cut(wfn, 20)}}, 2, Where::Err,
       eof("m.wfn", 21), {"r.txt"}},
      {"wfn cut inside the atom lines", {tpl(wfn_template()), {"m.wfn", cut(wfn, 5)}}, 2, Where::Err,
       eof("m.wfn", 6), {"r.txt"}},
      {"wfn cut inside an orbital's coefficients", {tpl(wfn_template()), {"m.wfn", cut(wfn, 40)}}, 2, Where::Err,
       eof("m.wfn", 41), {"r.txt"}},
      {"wfn without its energy line", {tpl(wfn_template()), {"m.wfn", cut(wfn, 192)}}, 2, Where::Err,
       eof("m.wfn", 193), {"r.txt"}},
      {"wfn counts larger than the file", {tpl(wfn_template()), {"m.wfn", replace_line(cut(wfn, 8), 2, "GAUSSIAN            999 MOL ORBITALS    999 PRIMITIVES      999 NUCLEI")}},
       2, Where::Err, eof("m.wfn", 9), {"r.txt"}},
      {"wfn exponent not a number", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 17, "EXPONENTS  5.4846717E+03 8.25x3495E+02 1.8804696E+02 5.2964500E+01 1.6897570E+01")}},
       2, Where::Err, bad("m.wfn", 17), {"r.txt"}},
      {"wfn centre assignment not a number", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 9, "CENTRE ASSIGNMENTS    1  1  1  ?  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1")}},
       2, Where::Err, bad("m.wfn", 9), {"r.txt"}},
      {"wfn negative primitive count", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 2, "GAUSSIAN             10 MOL ORBITALS     -2 PRIMITIVES        6 NUCLEI")}},
       1, Where::Report, "m.wfn line 2", {"r.txt"}},
      {"wfn primitive type outside 1-56", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 13, "TYPE ASSIGNMENTS     1 57  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1")}},
       1, Where::Report, " m.wfn line 13: primitive 2 has type 57, outside 1-56", {"r.txt"}},
      {"wfn centre number outside the nuclei", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 3, "  O    1    (CENTRE  9)  -2.93097824 -0.21641142  0.00000000  CHARGE =  8.0")}},
       1, Where::Report, "m.wfn line 3", {"r.txt"}},
      {"wfn with CR LF line ends", {tpl(wfn_template()), {"m.wfn", crlf(wfn)}}, 0, Where::Report, "+++++++++",
       {"r.txt", "m_rho.cube"}},
      {"wfn missing", {tpl(wfn_template())}, 1, Where::Report, cannot_open("m.wfn", 33), {"r.txt"}},
      {"wfn is a directory", {tpl(wfn_template()), {"m.wfn", "", Kind::Directory}}, 1, Where::Report,
       cannot_open("m.wfn", 33), {"r.txt"}},
      {"wfn unreadable", {tpl(wfn_template()), {"m.wfn", wfn, Kind::Unreadable}}, 1, Where::Report,
       cannot_open("m.wfn", 33), {"r.txt"}},
      // ----- CRYSTAL output and TOPOND grid files (TOP section) -----
      {"CRYSTAL output missing", {tpl(top_template()), {"g.dat", kTopondGrid}}, 1, Where::Report,
       cannot_open("c.out", 30), {"r.txt"}},
      {"CRYSTAL output is a directory", {tpl(top_template()), {"c.out", "", Kind::Directory}, {"g.dat", kTopondGrid}},
       1, Where::Report, cannot_open("c.out", 30), {"r.txt"}},
      {"CRYSTAL output empty", {tpl(top_template()), {"c.out", ""}, {"g.dat", kTopondGrid}}, 2, Where::Err,
       eof("c.out", 1), {"r.txt"}},
      {"CRYSTAL output without INPUT COORDINATES", {tpl(top_template()), {"c.out", cut(crystal, 9)}, {"g.dat", kTopondGrid}},
       2, Where::Err, eof("c.out", 10), {"r.txt"}},
      {"CRYSTAL output without an atom count", {tpl(top_template()), {"c.out", replace_line(replace_line(crystal, 5, ""), 7, "")}, {"g.dat", kTopondGrid}},
       1, Where::Report, "file holds no NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL: line before INPUT COORDINATES, program stop",
       {"r.txt"}},
      {"CRYSTAL output negative atom count", {tpl(top_template()), {"c.out", replace_line(crystal, 7, " NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:   -2")}, {"g.dat", kTopondGrid}},
       1, Where::Report, "file gives a negative NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:, program stop",
       {"r.txt"}},
      {"CRYSTAL output atom count not a number", {tpl(top_template()), {"c.out", replace_line(crystal, 7, " NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:  two")}, {"g.dat", kTopondGrid}},
       2, Where::Err, bad("c.out", 7), {"r.txt"}},
      {"CRYSTAL output cut inside the atoms", {tpl(top_template()), {"c.out", cut(crystal, 12)}, {"g.dat", kTopondGrid}},
       2, Where::Err, eof("c.out", 13), {"r.txt"}},
      {"CRYSTAL output lattice vector not a number", {tpl(top_template()), {"c.out", replace_line(crystal, 18, "   0.000000000000E+00   0.5291x7129269E+01   0.000000000000E+00")}, {"g.dat", kTopondGrid}},
       2, Where::Err, bad("c.out", 18), {"r.txt"}},
      {"CRYSTAL output matrix against a wrong edge", {tpl(top_template()), {"c.out", replace_line(hexagonal, 23, "     5.07480000     5.07480000    13.96101000    90.000000  90.000000 120.000000")}, {"g.dat", kTopondGrid}},
       1, Where::Report, " c.out                          file has a TRANSFORMATION MATRIX PRIMITIVE-CRYSTALLOGRAPHIC CELL on line 18 "
       "that gives the edges 5.0748 5.0748 13.861 where the CRYSTALLOGRAPHIC CELL on line 23 has 5.0748 5.0748 13.961, program stop\n",
       {"r.txt"}},
      {"TOPOND grid missing", {tpl(top_template()), {"c.out", crystal}}, 1, Where::Report, cannot_open("g.dat", 30),
       {"r.txt"}},
      {"TOPOND grid is a directory", {tpl(top_template()), {"c.out", crystal}, {"g.dat", "", Kind::Directory}}, 1,
       Where::Report, cannot_open("g.dat", 30), {"r.txt"}},
      {"TOPOND grid empty", {tpl(top_template()), {"c.out", crystal}, {"g.dat", ""}}, 2, Where::Err, eof("g.dat", 1),
       {"r.txt"}},
      {"TOPOND grid cut inside its header", {tpl(top_template()), {"c.out", crystal}, {"g.dat", cut(kTopondGrid, 2)}},
       2, Where::Err, eof("g.dat", 3), {"r.txt"}},
      {"CRYSTAL output cut after the lattice heading", {tpl(top_template()), {"c.out", cut(crystal, 16)}, {"g.dat", kTopondGrid}},
       2, Where::Err, eof("c.out", 17), {"r.txt"}},
      {"TOPOND grid counts not numbers", {tpl(top_template()), {"c.out", crystal}, {"g.dat", replace_line(kTopondGrid, 1, "   2   x   2")}},
       2, Where::Err, bad("g.dat", 1), {"r.txt"}},
      {"TOPOND grid cut inside the values", {tpl(top_template()), {"c.out", crystal}, {"g.dat", cut(kTopondGrid, 5)}},
       2, Where::Err, eof("g.dat", 6), {"r.txt"}},
      {"TOPOND grid with CR LF line ends", {tpl(top_template()), {"c.out", crlf(crystal)}, {"g.dat", crlf(kTopondGrid)}},
       0, Where::Report, "+++++++++", {"r.txt", "g.cube"}},
      {"TOPOND grid unreadable", {tpl(top_template()), {"c.out", crystal}, {"g.dat", kTopondGrid, Kind::Unreadable}},
       1, Where::Report, cannot_open("g.dat", 30), {"r.txt"}},
      // ----- the files of a run: no result replaces an input, another result or the report; names -----
      {"report named like the density cube", {tpl(replace_line(rdg, 1, "OUTPUT_FILE_NAME rho.cube")), {"rho.cube", cube}},
       1, Where::Console, " OUTPUT_FILE_NAME names the input file rho.cube (RHO_INPUT_CUBE), program stop", {}},
      {"report a link to the density cube", {tpl(rdg), {"r.txt", "rho.cube", Kind::Link}, {"rho.cube", cube}}, 1,
       Where::Console, " OUTPUT_FILE_NAME names the input file r.txt (RHO_INPUT_CUBE: rho.cube), program stop", {}},
      {"report named like the density cube, template cut", {tpl(replace_line(cut(rdg, 10), 1, "OUTPUT_FILE_NAME rho.cube")),
                                                             {"rho.cube", cube}},
       1, Where::Console, " OUTPUT_FILE_NAME names the input file rho.cube (RHO_INPUT_CUBE), program stop", {}},
      {"report named like a result", {tpl(replace_line(rdg, 1, "OUTPUT_FILE_NAME rs.cube")), {"rho.cube", cube}}, 1,
       Where::Err, " OUTPUT_FILE_NAME and RHO_SIGN_OUTPUT both name the file rs.cube, program stop", {}},
      {"result named like the density cube", {tpl(replace_line(rdg, 11, "RHO_SIGN_OUTPUT rho")), {"rho.cube", cube}}, 1,
       Where::Console, " RHO_SIGN_OUTPUT names the input file rho.cube (RHO_INPUT_CUBE), program stop", {}},
      {"result named like the density cube spelled ./",
       {tpl(replace_line(replace_line(rdg, 6, "RHO_INPUT_CUBE ./rho.cube"), 11, "RHO_SIGN_OUTPUT rho")), {"rho.cube", cube}},
       1, Where::Console, " RHO_SIGN_OUTPUT names the input file rho.cube (RHO_INPUT_CUBE: ./rho.cube), program stop", {}},
      {"XD2 result named like the density grd",
       {tpl(replace_line(xd2, 7, "RHO_INPUT_GRD(XD only) rs.grd")), {"rho.cube", xd_cube}, {"rs.grd", grd}}, 1,
       Where::Console, " RHO_SIGN_OUTPUT names the input file rs.grd (RHO_INPUT_GRD(XD only)), program stop", {}},
      {"plot named like the density cube", {tpl(rdg_jobs_template("rdg", "rs", "e", ".cube")), {"rho.cube", cube}}, 1,
       Where::Console, " PLOT_NAME names the input file rho.cube (RHO_INPUT_CUBE), program stop", {}},
      {"plot named like the template", {{"rho.inp", rdg_jobs_template("rdg", "rs", "e", ".inp")}, {"rho.cube", cube}}, 1,
       Where::Console, " PLOT_NAME names the input file rho.inp (the template), program stop", {}, "rho.inp"},
      {"RDG and rho*sign(lambda2) results of one name", {tpl(rdg_jobs_template("x", "x", "e", "p")), {"rho.cube", cube}},
       1, Where::Console, " RDG_OUTPUT and RHO_SIGN_OUTPUT both name the file x.cube, program stop", {}},
      {"RDG result named like an energy result", {tpl(rdg_jobs_template("e_Gabr", "rs", "e", "p")), {"rho.cube", cube}},
       1, Where::Console, " RDG_OUTPUT and ENERGY_OUTPUT both name the file e_Gabr.cube, program stop", {}},
      {"RDG result named like the computed gradient",
       {tpl(rdg_jobs_template("grad_numerical", "rs", "e", "p")), {"rho.cube", cube}}, 1, Where::Console,
       " GRAD= calc and RDG_OUTPUT both name the file grad_numerical.cube, program stop", {}},
      {"RDG_OUTPUT blank", {tpl(rdg_jobs_template("", "rs", "e", "p")), {"rho.cube", cube}}, 1, Where::Console,
       " RDG_OUTPUT is blank, program stop", {}},
      {"every RDG job, names apart", {tpl(rdg_jobs_template("rdg", "rs", "e", "p")), {"rho.cube", cube}}, 0,
       Where::Report, "+++++++++",
       {"r.txt", "grad_numerical.cube", "lapl_numerical.cube", "rdg.cube", "rs.cube", "rdg.vmd", "e_Gabr.cube",
        "e_Vabr.cube", "e_Habr.cube", "rhop", "rhop.svg", "rhosignp", "rhosignp.svg"}},
      {"TOP cube named like its grid", {tpl(replace_line(top_template(), 5, "GRID_FILE_NAME g.cube")), {"c.out", crystal},
                                        {"g.cube", kTopondGrid}},
       1, Where::Console,
       " CUBE_NAME(OUTPUT) of grid 1 names the input file g.cube (GRID_FILE_NAME of grid 1), program stop", {}},
      {"two TOP cubes of one name",
       {tpl(replace_line(top_template(), 4, "N_OF_GRIDS 2\nGRID_FILE_NAME g.dat\nCUBE_NAME(OUTPUT) g")),
        {"c.out", crystal}, {"g.dat", kTopondGrid}},
       1, Where::Console, " CUBE_NAME(OUTPUT) of grid 1 and CUBE_NAME(OUTPUT) of grid 2 both name the file g.cube, program stop",
       {}},
      {"argument longer than 30 characters",
       {{"formic_dimer_rdg_all_jobs1.inp", "OUTPUT_FILE_NAME old.txt\nSECTIONS\n"},
        {"formic_dimer_rdg_all_jobs1.inp.new", "OUTPUT_FILE_NAME r.txt\nSECTIONS\n"}},
       0, Where::Report, "NO JOB HAS BEEN ASSIGNED TO THE PROGRAM!!", {"r.txt"}, "formic_dimer_rdg_all_jobs1.inp.new"},
      {"template with a byte-order mark", {tpl("\xEF\xBB\xBF" + rdg), {"rho.cube", cube}}, 0, Where::Report,
       "+++++++++", {"r.txt", "rs.cube"}},
      {"template with CR line ends", {tpl(cr(rdg)), {"rho.cube", cube}}, 0, Where::Report, "+++++++++",
       {"r.txt", "rs.cube"}},
      {"cube with CR line ends", {tpl(rdg), {"rho.cube", cr(cube)}}, 0, Where::Report, "+++++++++", {"r.txt", "rs.cube"}},
      {"NUL byte in a result name", {tpl(replace_line(rdg, 11, "RHO_SIGN_OUTPUT rho.cube" + nul)), {"rho.cube", cube}},
       2, Where::Err, bad("t.inp", 11), {"r.txt"}},
      {"NUL byte in the report name", {tpl(replace_line(rdg, 1, "OUTPUT_FILE_NAME rho.cube" + nul)), {"rho.cube", cube}},
       2, Where::Err, bad("t.inp", 1), {}},
      // ----- no silent NaN or Infinity: axes of length 0, nuclear charges, TOPOND counts, subnormal exponents -----
      {"cube axis of length 0", {tpl(rdg), {"rho.cube", replace_line(cube, 5, "    5    0.000000    0.000000    0.000000")}},
       1, Where::Console, "cube file rho.cube, line 5: the step vector of axis 2 has length 0, PROGRAM STOP", {"r.txt"}},
      {"cube axis of length 0 in single precision", {tpl(rdg), {"rho.cube", replace_line(cube, 4, "    5     1.0E-30    0.000000    0.000000")}},
       1, Where::Report, "cube file rho.cube, line 4: the step vector of axis 1 has length 0, PROGRAM STOP", {"r.txt"}},
      {"STEPSIZE_Y 0", {tpl(replace_line(wfn_template(), 11, "STEPSIZE_Y 0")), {"m.wfn", wfn}}, 1, Where::Report,
       " WFN SECTION: STEPSIZE_Y is 0 in single precision (a grid axis of length 0), PROGRAM STOP\n", {"r.txt"}},
      {"STEPSIZE_X 0 in single precision", {tpl(replace_line(wfn_template(), 9, "STEPSIZE_X 1e-50")), {"m.wfn", wfn}}, 1,
       Where::Report, " WFN SECTION: STEPSIZE_X is 0 in single precision", {"r.txt"}},
      {"cube axes not orthogonal: a warning on the console", {tpl(rdg), {"rho.cube", replace_line(cube, 5, "    5    0.500000    1.000000    0.000000")}},
       0, Where::Console, " WARNING!the axes 1 and 2 of the density cube file rho.cube are not orthogonal: derivatives and cell volumes are taken as for orthogonal axes\n",
       {"r.txt", "rs.cube"}},
      {"cube axes not orthogonal: a warning in the report", {tpl(rdg), {"rho.cube", replace_line(cube, 6, "    5    0.000000    0.001000    1.000000")}},
       0, Where::Report, " WARNING!the axes 2 and 3 of the density cube file rho.cube are not orthogonal", {"r.txt", "rs.cube"}},
      {"wfn nuclear charge 1e30", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 3, lines_of(wfn)[2].substr(0, 70) + "1.E30")}},
       1, Where::Report, " m.wfn line 3: nuclear charge 1.0000000000000000E+030 outside 0-118, program stop\n", {"r.txt"}},
      {"wfn negative nuclear charge", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 4, lines_of(wfn)[3].substr(0, 70) + " -1.0")}},
       1, Where::Report, " m.wfn line 4: nuclear charge -1.0000000000000000 outside 0-118, program stop\n", {"r.txt"}},
      {"wfn subnormal exponent", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 17, "EXPONENTS  4.9406565-324 8.2523495E+02 1.8804696E+02 5.2964500E+01 1.6897570E+01")}},
       1, Where::Report, " m.wfn line 17: primitive 1 has exponent 4.9406564584124654E-324, below the smallest normal number 2.2250738585072014E-308, program stop\n",
       {"r.txt"}},
      // Exponents that are not finite are rejected like those that are not positive.
      {"wfn exponent Infinity", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 17, "EXPONENTS       Infinity 8.2523495E+02 1.8804696E+02 5.2964500E+01 1.6897570E+01")}},
       1, Where::Report, " m.wfn line 17: primitive 1 has exponent Infinity, not a positive number, program stop\n", {"r.txt"}},
      {"wfn exponent NaN", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 17, "EXPONENTS  5.4846717E+03           NaN 1.8804696E+02 5.2964500E+01 1.6897570E+01")}},
       1, Where::Report, " m.wfn line 17: primitive 2 has exponent NaN, not a positive number, program stop\n", {"r.txt"}},
      {"wfn exponent beyond a double", {tpl(wfn_template()), {"m.wfn", replace_line(wfn, 17, "EXPONENTS        1.0E999 8.2523495E+02 1.8804696E+02 5.2964500E+01 1.6897570E+01")}},
       1, Where::Report, " m.wfn line 17: primitive 1 has exponent 1.0E999, not a positive number, program stop\n", {"r.txt"}},
      // ----- .wfx files (WFN section): every fault is one report line naming the block, status 1 -----
      {"wfx without its primitive types", {tpl(wfx_template()), {"m.wfx", without_lines(wfx, 93, 128)}},
       1, Where::Report, " m.wfx: the required block <Primitive Types> is missing, program stop\n", {"r.txt"}},
      {"wfx primitive count above the centres given", {tpl(wfx_template()), {"m.wfx", replace_line(wfx, 55, "   167")}},
       1, Where::Report, " m.wfx line 57, <Primitive Centers>: 166 values where <Number of Primitives> gives 167, program stop\n", {"r.txt"}},
      {"wfx exponent not a number", {tpl(wfx_template()), {"m.wfx", replace_line(wfx, 131, "  0.2x0000000000E+05  0.134420000000E+04  0.305400000000E+03  0.867300000000E+02")}},
       1, Where::Report, " m.wfx line 131, <Primitive Exponents>: value 6 \"0.2x0000000000E+05\" is not a number, program stop\n", {"r.txt"}},
      {"wfx primitive type outside 1-56", {tpl(wfx_template()), {"m.wfx", replace_line(wfx, 94, "  57 1 1 1 1")}},
       1, Where::Report, " m.wfx line 93, <Primitive Types>: primitive 1 has type 57, outside 1-56, program stop\n", {"r.txt"}},
      {"wfx cut inside the coefficients", {tpl(wfx_template()), {"m.wfx", cut(wfx, 300)}},
       1, Where::Report, " m.wfx line 186, <Molecular Orbital Primitive Coefficients>: the block is not closed before the end of the file, program stop\n", {"r.txt"}},
      {"wfx orbital with a coefficient too few", {tpl(wfx_template()), {"m.wfx", replace_line(wfx, 190, "  0.250372916862E+00  0.467491267562E+00  0.807855329921E+00")}},
       1, Where::Report, " m.wfx line 187, <MO Number>: orbital 1 has 165 coefficients where <Number of Primitives> gives 166, program stop\n", {"r.txt"}},
      {"cube nuclear charge beyond the periodic table", {tpl(rdg), {"rho.cube", replace_line(cube, 7, "    8     1.0E+30    0.000000    0.000000    0.000000")}},
       1, Where::Console, "cube file rho.cube, line 7: the nuclear charge 1.0000000E+30 lies outside 0-118, PROGRAM STOP", {"r.txt"}},
      {"TOPOND grid count line blank", {tpl(top_template()), {"c.out", crystal}, {"g.dat", replace_line(kTopondGrid, 1, "")}},
       1, Where::Report, " TOPOND grid file g.dat, line 1: the number of grid points along axis 1 is 0 (it must be at least 1), PROGRAM STOP\n",
       {"r.txt"}},
      {"TOPOND grid counts 0 0 0", {tpl(top_template()), {"c.out", crystal}, {"g.dat", replace_line(kTopondGrid, 1, "   0   0   0")}},
       1, Where::Console, " TOPOND grid file g.dat, line 1: the number of grid points along axis 1 is 0", {"r.txt"}},
      {"TOPOND grid negative count", {tpl(top_template()), {"c.out", crystal}, {"g.dat", replace_line(kTopondGrid, 1, "   2  -1   2")}},
       1, Where::Report, "the number of grid points along axis 2 is -1 (it must be at least 1), PROGRAM STOP", {"r.txt"}},
      // ----- bounded work for bad headers; results the user protected -----
      // A count the rest of the file cannot hold (every line takes a byte) is
      // its early end, found before anything is allocated for the count.
      {"cube point counts beyond the file", {tpl(rdg), {"rho.cube", replace_line(replace_line(replace_line(cube, 4, "99999    1.000000    0.000000    0.000000"), 5, "99999    0.000000    1.000000    0.000000"), 6, "99999    0.000000    0.000000    1.000000")}},
       2, Where::Err, eof("rho.cube", static_cast<long>(lines_of(cube).size()) + 1), {"r.txt"}},
      {"XD2 point counts beyond the grd file", {tpl(xd2), {"rho.cube", replace_line(replace_line(replace_line(xd_cube, 4, "99999    1.000000    0.000000    0.000000"), 5, "99999    0.000000    1.000000    0.000000"), 6, "99999    0.000000    0.000000    1.000000")}, {"rho.grd", grd}},
       2, Where::Err, eof("rho.grd", static_cast<long>(lines_of(grd).size()) + 1), {"r.txt"}},
      {"TOPOND grid counts beyond the file", {tpl(top_template()), {"c.out", crystal}, {"g.dat", replace_line(kTopondGrid, 1, "9999999999999")}},
       2, Where::Err, eof("g.dat", 7), {"r.txt"}},
      {"wfn nuclei beyond the file", {tpl(wfn_template()), {"m.wfn", replace_line(cut(wfn, 3), 2, "GAUSSIAN             10 MOL ORBITALS     20 PRIMITIVES 2000000000 NUCLEI")}},
       2, Where::Err, eof("m.wfn", 4), {"r.txt"}},
      {"N_OF_SYMM_OPERATIONS beyond the template", {tpl(top_template("SYMM x,y,z\n", "2000000000")), {"c.out", crystal}, {"g.dat", kTopondGrid}},
       2, Where::Err, eof("t.inp", 10), {"r.txt"}},
      // A line longer than 1 MiB is a bad value of that line; the zero device
      // has no line end at all.
      {"template line longer than 1 MiB", {tpl(replace_line(rdg, 6, "RHO_INPUT_CUBE rho.cube " + std::string(1 << 20, 'j'))), {"rho.cube", cube}},
       2, Where::Err, bad("t.inp", 6), {"r.txt"}},
      {"cube value line longer than 1 MiB", {tpl(rdg), {"rho.cube", replace_line(cube, 9, lines_of(cube)[8] + std::string(1 << 20, ' '))}},
       2, Where::Err, bad("rho.cube", 9), {"r.txt"}},
      {"template is the zero device", {}, 2, Where::Err, bad("/dev/zero", 1), {}, "/dev/zero"},
      {"cube is the zero device", {tpl(replace_line(rdg, 6, "RHO_INPUT_CUBE /dev/zero"))}, 2, Where::Err,
       bad("/dev/zero", 1), {"r.txt"}},
      // An empty box has no point to set up, however long its other axes.
      {"WFN box empty along one axis, huge along another", {tpl(replace_line(wfn_template("2000000000"), 10, "N_POINTS_Y 0")), {"m.wfn", wfn}},
       0, Where::Report, "+++++++++", {"r.txt", "m_rho.cube"}},
      {"result write-protected", {tpl(rdg), {"rho.cube", cube}, {"rs.cube", "older result\n", Kind::ReadOnly}}, 1,
       Where::Report, " rs.cube file cannot be opened, program stop", {"r.txt"}},
  };
  return t;
}

bool has_unreadable(const Row& row) {
  return std::any_of(row.files.begin(), row.files.end(), [](const File& f) { return f.kind == Kind::Unreadable; });
}

struct Outcome {
  int status = -1;
  std::string console, err, report;
  std::set<std::string> written;
  std::set<std::string> changed;  // files given to the run that it changed
};

// Runs one row in a fresh folder.
Outcome run_row(const Row& row) {
  tessaro::testing::TempFolder folder;
  for (const File& f : row.files) {
    if (f.kind == Kind::Directory) {
      fs::create_directory(f.name);
      continue;
    }
    if (f.kind == Kind::Link) {
      fs::create_symlink(f.content, f.name);
      continue;
    }
    tessaro::testing::write_file(f.name, f.content);
    if (f.kind == Kind::Unreadable) fs::permissions(f.name, fs::perms::none);
    if (f.kind == Kind::ReadOnly) fs::permissions(f.name, static_cast<fs::perms>(0444));
  }
  const std::set<std::string> before = folder.names();
  const tessaro::testing::ProgramResult r = tessaro::testing::run_program({row.argument});

  Outcome o;
  o.status = r.status;
  o.console = r.out;
  o.err = r.err;
  if (fs::is_regular_file("r.txt")) o.report = read_file("r.txt");
  for (const std::string& name : folder.names())
    if (!before.count(name)) o.written.insert(name);
  for (const File& f : row.files)
    if (f.kind == Kind::Unreadable) fs::permissions(f.name, fs::perms::owner_all);
  for (const File& f : row.files)
    if ((f.kind == Kind::Text || f.kind == Kind::Unreadable || f.kind == Kind::ReadOnly) &&
        (fs::is_symlink(f.name) || !fs::is_regular_file(f.name) || read_file(f.name) != f.content))
      o.changed.insert(f.name);
  return o;
}

std::string names(const std::set<std::string>& s) {
  std::string out;
  for (const auto& n : s) out += (out.empty() ? "" : ", ") + n;
  return "{" + out + "}";
}

void check_row(const Row& row) {
  SCOPED_TRACE("row: " + row.name);
  const Outcome o = run_row(row);
  EXPECT_EQ(o.status, row.status);
  const std::string& where = row.where == Where::Console ? o.console : row.where == Where::Err ? o.err : o.report;
  EXPECT_NE(where.find(row.message), std::string::npos)
      << "expected \"" << row.message << "\"\n--- console:\n" << o.console << "--- err:\n" << o.err
      << "--- report (tail):\n" << o.report.substr(o.report.size() > 600 ? o.report.size() - 600 : 0);
  EXPECT_EQ(names(o.written), names(row.written));
  EXPECT_EQ(names(o.changed), "{}");
}

bool running_as_root() { return geteuid() == 0; }

}  // namespace

TEST(Hardening, BadInputTable) {
  const std::vector<Row> rows = table();
  ASSERT_GE(rows.size(), 50u);
  for (const Row& row : rows)
    if (!has_unreadable(row)) check_row(row);
}

// Permissions mean nothing to root, so these rows cannot be checked there.
TEST(Hardening, BadInputTableUnreadableFiles) {
  if (running_as_root()) GTEST_SKIP() << "running as root, which reads files of mode 000: unreadable-file rows skipped";
  for (const Row& row : table())
    if (has_unreadable(row)) check_row(row);
}
