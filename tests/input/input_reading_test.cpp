#include "input/input_reading.hpp"

#include <gtest/gtest.h>

#include <string>

#include "input/template_fixture.hpp"

namespace tessaro::testing {
namespace {

using Kind = textio::TextIoError::Kind;

// Replaces the first line that begins with `start` by `replacement` (an empty
// replacement removes the line).
std::string with_line(std::string text, const std::string& start, const std::string& replacement) {
  std::size_t pos = 0;
  if (text.compare(0, start.size(), start) != 0) {
    pos = text.rfind('\n' + start);
    EXPECT_NE(pos, std::string::npos) << start;
    ++pos;
  }
  std::size_t end = text.find('\n', pos);
  text.replace(pos, end - pos + 1, replacement.empty() ? "" : replacement + "\n");
  return text;
}

// Cuts the template before the first line that begins with `start`.
std::string cut_before(const std::string& text, const std::string& start) {
  std::size_t pos = text.compare(0, start.size(), start) == 0 ? 0 : text.find('\n' + start) + 1;
  return text.substr(0, pos);
}

std::string padded(const std::string& s, std::size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

const std::string kFrame = "OUTPUT_FILE_NAME report.txt\n";

const std::string kRdg =
    "OUTPUT_FILE_NAME report.txt\n"
    "SECTIONS  WFN  TOP *RDG\n"
    "RDG,RHO*(signL2) AND ABRAMOV\n"
    "INPUT *XD2  GAU  CUB\n"
    "CALCULATING *RDG *rho *Abr *plo\n"
    "RHO_INPUT_CUBE rho.cube\n"
    "RHO_INPUT_GRD(XD only) rho.grd\n"
    "GRAD=  calc *read\n"
    "GRAD_INPUT_CUBE grad.cube\n"
    "GRAD_INPUT_GRD(XD only) grad.grd\n"
    "LAPL=  calc *read\n"
    "LAPL_INPUT_CUBE lapl.cube\n"
    "LAPL_INPUT_GRD(XD only) lapl.grd\n"
    "RDG_CALCULATION  all_p *rho_c  rhosi\n"
    "LOWER_VALUE 0.01\n"
    "UPPER_VALUE 0.05\n"
    "RDG_OUTPUT rdg\n"
    "SPACE_CUTOFF  none *atom  exte\n"
    "TOLERANCE 3.0\n"
    "RHO_SIGN_CALCULATION *RDG_p\n"
    "RHO_SIGN_OUTPUT rhosign\n"
    "ENERGY_CALCULATION  RDG_p\n"
    "ENERGY_OUTPUT ener\n"
    "2DPLOT *rho *rhosign\n"
    "PLOT_NAME plot.dat\n";

const std::string kRdgProblem =
    "RDG, RHO*SIGN(L2) AND ABRAMOV ENERGY CALCULATION SECTION: PROBLEM IN READING THE INPUT!!!!";
const std::string kModified = "THE TEMPLATE MIGHT HAVE BEEN MODIFIED, PROGRAM STOP";

// ---------------------------------------------------------------------------
// The frame: report name and sections.

TEST_F(InputTemplate, FrameWithoutReportKeywordStopsOnConsole) {
  const std::string cases[] = {
      "",                                                  // empty file
      "SECTIONS *RDG\n",                                   // missing
      "output_file_name report.txt\nSECTIONS *RDG\n",      // lower case
      " OUTPUT_FILE_NAME report.txt\nSECTIONS *RDG\n",     // after a blank
      "\tOUTPUT_FILE_NAME report.txt\nSECTIONS *RDG\n",    // after a tab
  };
  for (const std::string& text : cases) {
    ReaderResult r = read_template(text);
    EXPECT_EQ(r.status, 1) << text;
    EXPECT_EQ(r.console, line("NO STRING FOR OUTPUT FILE NAME!!!PROGRAM STOP")) << text;
    EXPECT_FALSE(fs::exists("report.txt"));
  }
}

TEST_F(InputTemplate, FrameBlankReportNameStopsWithoutReport) {
  for (const std::string& text : {std::string("OUTPUT_FILE_NAME\nSECTIONS *RDG\n"),
                                  std::string("OUTPUT_FILE_NAME                               late.txt\n"),
                                  std::string("OUTPUT_FILE_NAME  \r\nSECTIONS *RDG\r\n")}) {
    ReaderResult r = read_template(text);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.console, line("NAME FOR OUTPUT FILE WAS NOT GIVEN, PROGRAM STOP"));
    EXPECT_TRUE(fs::is_empty(fs::current_path()));
  }
}

TEST_F(InputTemplate, FrameReportNameColumns) {
  // Shifted left over its blanks, cut at column 47; column 17 is not read.
  ReaderResult r = read_template("OUTPUT_FILE_NAMEX     a b.txt\nSECTIONS\n");
  EXPECT_EQ(r.v.report_name, padded("a b.txt", 30));
  EXPECT_TRUE(fs::exists("a b.txt"));
  r = read_template("OUTPUT_FILE_NAME 123456789012345678901234567890XYZ\nSECTIONS\n");
  EXPECT_EQ(r.v.report_name, "123456789012345678901234567890");
  EXPECT_TRUE(fs::exists("123456789012345678901234567890"));
  // CR LF line ends: the CR is no part of the name.
  r = read_template("OUTPUT_FILE_NAME rep.txt\r\nSECTIONS\r\n");
  EXPECT_EQ(r.v.report_name, padded("rep.txt", 30));
  EXPECT_TRUE(fs::exists("rep.txt"));
  // A tab is an ordinary character: it stands in the unread column here.
  r = read_template("OUTPUT_FILE_NAME\ttab.txt\nSECTIONS\n");
  EXPECT_TRUE(fs::exists("tab.txt"));
}

TEST_F(InputTemplate, FrameReportThatCannotBeOpened) {
  fs::create_directory("taken");
  ReaderResult r = read_template("OUTPUT_FILE_NAME taken\nSECTIONS\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.console, line("PROBLEM IN OPENING THE OUTPUT FILE taken PROGRAM STOP"));
}

TEST_F(InputTemplate, FrameSections) {
  // No SECTIONS line: an end of file that the text layer reports.
  ReaderResult r = read_template(kFrame + "SECTION *RDG\n");
  EXPECT_EQ(r.status, 2);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->kind(), Kind::EndOfFile);
  EXPECT_EQ(r.error->file(), "input.inp");
  EXPECT_EQ(read_file("report.txt"), "");

  // No section marked: a normal end with the message in the report.
  for (const char* sections : {"SECTIONS  WFN  TOP  RDG", "SECTIONS *wfn *Top", "SECTIONS * RDG",
                                      "SECTIONS                                          *RDG"}) {
    r = read_template(kFrame + sections + "\n");
    EXPECT_EQ(r.status, -1) << sections;
    EXPECT_EQ(read_file("report.txt"), line("NO JOB HAS BEEN ASSIGNED TO THE PROGRAM!!")) << sections;
    EXPECT_EQ(r.v.inp1_risp, (std::array<std::int32_t, 3>{0, 0, 0}));
  }
  // A star in column 47 still sees the word in columns 48-50.
  r = read_template(kFrame + padded("SECTIONS", 46) + "*TOP\nTOPOND TO CUBE CONVERSION\n");
  EXPECT_EQ(r.v.inp1_risp, (std::array<std::int32_t, 3>{0, 1, 0}));
}

// ---------------------------------------------------------------------------
// The RDG section.

TEST_F(InputTemplate, RdgFullTemplate) {
  ReaderResult r = read_template(kRdg);
  ASSERT_EQ(r.status, -1) << r.console;
  const InputVariables& v = r.v;
  EXPECT_EQ(v.inp1_risp, (std::array<std::int32_t, 3>{0, 0, 1}));
  EXPECT_EQ(v.inprdg_risp, (std::array<std::int32_t, 3>{1, 0, 0}));
  EXPECT_EQ(v.calc_risp, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(v.rhocube_inp, padded("rho.cube", 35));
  EXPECT_EQ(v.rhogrd_inp, padded("rho.grd", 27));
  EXPECT_EQ(v.grad_calc, 0);
  EXPECT_EQ(v.grad_read, 1);
  EXPECT_EQ(v.gradcube_inp, padded("grad.cube", 34));
  EXPECT_EQ(v.gradgrd_inp, padded("grad.grd", 26));
  EXPECT_EQ(v.lapl_read, 1);
  EXPECT_EQ(v.laplcube_inp, padded("lapl.cube", 34));
  EXPECT_EQ(v.laplgrd_inp, padded("lapl.grd", 26));
  EXPECT_EQ(v.rdg_risp, (std::array<std::int32_t, 3>{0, 1, 0}));
  EXPECT_EQ(v.rhocutoff[0], 0.01f);
  EXPECT_EQ(v.rhocutoff[1], 0.05f);
  EXPECT_EQ(v.rdg_outname, padded("rdg", 30));
  EXPECT_EQ(v.rdg_rispace, (std::array<std::int32_t, 3>{0, 1, 0}));
  EXPECT_EQ(v.spacecutoff, 3.0f);
  EXPECT_EQ(v.rhosign_points, 1);
  EXPECT_EQ(v.rhosign_outname, padded("rhosign", 30));
  EXPECT_EQ(v.e_points, 0);
  EXPECT_EQ(v.e_outname, padded("ener", 30));
  EXPECT_EQ(v.duedplot, (std::array<std::int32_t, 3>{1, 1, 0}));
  EXPECT_EQ(v.plot_name, padded("plot.dat", 30));
  EXPECT_EQ(read_file("report.txt"), "");
  EXPECT_EQ(r.console, "");
}

TEST_F(InputTemplate, RdgCutShortAtEverySearch) {
  const char* keywords[] = {"RDG,RHO*(signL2)", "INPUT", "CALCULATING", "RHO_INPUT_CUBE", "RHO_INPUT_GRD",
                            "GRAD=", "GRAD_INPUT_CUBE", "GRAD_INPUT_GRD", "LAPL=", "LAPL_INPUT_CUBE",
                            "LAPL_INPUT_GRD", "RDG_CALCULATION", "LOWER_VALUE", "UPPER_VALUE", "RDG_OUTPUT",
                            "SPACE_CUTOFF", "TOLERANCE", "RHO_SIGN_CALCULATION", "RHO_SIGN_OUTPUT",
                            "ENERGY_CALCULATION", "ENERGY_OUTPUT", "2DPLOT", "PLOT_NAME"};
  for (const char* keyword : keywords) {
    // Cut short, written in lower case, or moved one column right: the
    // search runs to the end of the file.
    std::string lower = keyword;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string bad_lines[] = {"", lower, std::string(" ") + keyword};
    for (const std::string& bad : bad_lines) {
      const std::string text =
          bad.empty() ? cut_before(kRdg, keyword) : with_line(kRdg, keyword, bad + " x");
      ReaderResult r = read_template(text);
      EXPECT_EQ(r.status, 1) << keyword << " / " << bad;
      EXPECT_EQ(read_file("report.txt"), line(kRdgProblem) + line(kModified)) << keyword << " / " << bad;
      EXPECT_EQ(r.console, line(kRdgProblem) + line(kModified)) << keyword;
    }
  }
}

TEST_F(InputTemplate, RdgKeywordsOutOfOrder) {
  // RDG_OUTPUT before RDG_CALCULATION: the forward search passes over it.
  std::string text = with_line(kRdg, "RDG_OUTPUT", "");
  text = with_line(text, "RDG_CALCULATION", "RDG_OUTPUT rdg\nRDG_CALCULATION  all_p *rho_c  rhosi");
  ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file("report.txt"), line(kRdgProblem) + line(kModified));
}

TEST_F(InputTemplate, RdgFormatLine) {
  // A star before a word that is no format: one warning per star, no format.
  ReaderResult r = read_template(with_line(kRdg, "INPUT", "INPUT *XD3 *cube  GAU"));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.inprdg_risp, (std::array<std::int32_t, 3>{0, 0, 0}));
  EXPECT_EQ(read_file("report.txt"), line("RDG CALCULATION SECTION: no input file format has been chosen!!!") +
                                         line("RDG CALCULATION SECTION: no input file format has been chosen!!!"));
  // The same format twice is one format.
  r = read_template(with_line(kRdg, "INPUT", "INPUT *XD2 *XD2"));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.inprdg_risp, (std::array<std::int32_t, 3>{1, 0, 0}));
  // Two formats end the run.
  r = read_template(with_line(kRdg, "INPUT", "INPUT *XD2 *GAU"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file("report.txt"),
            line("RDG CALCULATION SECTION: more than one input format has been chosen.PROGRAM STOP!!!!"));
  EXPECT_EQ(r.console, "");
  // Without XD2 the grd names are not searched.
  r = read_template(cut_before(with_line(kRdg, "INPUT", "INPUT  XD2 *GAU  CUB"), "RHO_INPUT_GRD") +
                    "GRAD= *calc\nLAPL= *calc\nRDG_CALCULATION *all_p\nRDG_OUTPUT r\nSPACE_CUTOFF\n"
                    "RHO_SIGN_CALCULATION\nRHO_SIGN_OUTPUT s\nENERGY_CALCULATION *RDG_p\nENERGY_OUTPUT e\n"
                    "2DPLOT *rhosign\nPLOT_NAME p\n");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.inprdg_risp, (std::array<std::int32_t, 3>{0, 1, 0}));
  EXPECT_EQ(r.v.rhogrd_inp, padded("", 27));
  EXPECT_EQ(r.v.e_points, 1);
  EXPECT_EQ(r.v.duedplot, (std::array<std::int32_t, 3>{0, 1, 0}));
}

TEST_F(InputTemplate, RdgOptionWordsMatchTheirLength) {
  std::string text = with_line(kRdg, "CALCULATING", "CALCULATING *RDG *rhosign *Abramov *plot");
  text = with_line(text, "GRAD=", "GRAD= *calculate");
  text = with_line(text, "2DPLOT", "2DPLOT *rho*rhosign");
  ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.calc_risp, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(r.v.grad_calc, 1);
  EXPECT_EQ(r.v.grad_read, 0);
  EXPECT_EQ(r.v.gradcube_inp, padded("", 34));
  EXPECT_EQ(r.v.duedplot, (std::array<std::int32_t, 3>{1, 1, 0}));
  // A star before rho at the end of the line: the blank after it is padding.
  r = read_template(with_line(kRdg, "2DPLOT", "2DPLOT *rho"));
  EXPECT_EQ(r.v.duedplot, (std::array<std::int32_t, 3>{1, 0, 0}));
}

TEST_F(InputTemplate, RdgPointChoice) {
  ReaderResult r = read_template(with_line(kRdg, "RDG_CALCULATION", "RDG_CALCULATION *all_p *rho_c"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file("report.txt"),
            line("!!!ERROR IN CHOSING WHICH POINTS WILL BE CONSIDERED IN RDG CALCULATION. PROGRAM STOP"));
  r = read_template(with_line(kRdg, "RDG_CALCULATION", "RDG_CALCULATION  all_p *rho_c *rhosi"));
  EXPECT_EQ(r.status, 1);
  // An unknown word: the warning, then all_p alone skips the bounds.
  r = read_template(with_line(with_line(kRdg, "RDG_CALCULATION", "RDG_CALCULATION *all_p *every"), "LOWER_VALUE",
                              ""));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"),
            line("RDG CALCULATION:no option for points to calculate RDG has been chosen!!!"));
  EXPECT_EQ(r.v.rhocutoff[0], 0.0f);
  EXPECT_EQ(r.v.rhocutoff[1], 0.0f);
  // rhosi reads the bounds, free-form.
  r = read_template(with_line(with_line(kRdg, "RDG_CALCULATION", "RDG_CALCULATION *rhosi"), "LOWER_VALUE",
                              "LOWER_VALUE -0.05, 9"));
  EXPECT_EQ(r.v.rdg_risp, (std::array<std::int32_t, 3>{0, 0, 1}));
  EXPECT_EQ(r.v.rhocutoff[0], -0.05f);
}

TEST_F(InputTemplate, RdgSpaceCutoff) {
  ReaderResult r = read_template(with_line(kRdg, "SPACE_CUTOFF", "SPACE_CUTOFF *none *atom"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file("report.txt"),
            line("!!!ERROR IN CHOSING THE SPACE CUTOFF FOR RDG CALCULATION(more than one choice). PROGRAM STOP"));
  // none alone, or an unknown word only: no TOLERANCE is searched.
  for (const char* choice : {"SPACE_CUTOFF *none", "SPACE_CUTOFF *nowhere"}) {
    r = read_template(with_line(with_line(kRdg, "SPACE_CUTOFF", choice), "TOLERANCE", ""));
    EXPECT_EQ(r.status, -1) << choice;
    EXPECT_EQ(r.v.spacecutoff, 0.0f);
    EXPECT_EQ(read_file("report.txt"), "");
  }
  r = read_template(with_line(kRdg, "SPACE_CUTOFF", "SPACE_CUTOFF *exte"));
  EXPECT_EQ(r.v.rdg_rispace, (std::array<std::int32_t, 3>{0, 0, 1}));
  EXPECT_EQ(r.v.spacecutoff, 3.0f);
}

TEST_F(InputTemplate, RdgMissingDerivativeSources) {
  const std::string no_gradient =
      with_line(with_line(with_line(kRdg, "GRAD=", "GRAD=  calc  read"), "GRAD_INPUT_CUBE", ""), "GRAD_INPUT_GRD", "");
  ReaderResult r = read_template(no_gradient);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"),
            line("RDG CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!") +
                line("RDG WILL NOT BE CALCULATED") +
                line("rho VS RDG PLOT CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!") +
                line("rho VS RDG PLOT WILL NOT BE CALCULATED") +
                line("ABRAMOV ENERGY CALCULATION REQUIRED WITHOUT READING/CALCULATING GRADIENT GRID FILES!!!!") +
                line("ABRAMOV ENERGY WILL NOT BE CALCULATED"));
  EXPECT_EQ(r.v.calc_risp, (std::array<std::int32_t, 4>{0, 1, 0, 0}));
  // The jobs were on while the section was read: their values are read.
  EXPECT_EQ(r.v.rdg_outname, padded("rdg", 30));
  EXPECT_EQ(r.v.plot_name, padded("plot.dat", 30));

  // Laplacian: with neither option the cube names are still read.
  r = read_template(with_line(kRdg, "LAPL=", "LAPL=  calc  read"));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"),
            line("ABRAMOV ENERGY CALCULATION REQUIRED WITHOUT READING/CALCULATING LAPLACIAN GRID FILES!!!!") +
                line("ABRAMOV ENERGY WILL NOT BE CALCULATED"));
  EXPECT_EQ(r.v.calc_risp, (std::array<std::int32_t, 4>{1, 1, 0, 1}));
  EXPECT_EQ(r.v.laplcube_inp, padded("lapl.cube", 34));
  // calc for the Laplacian: no Laplacian names are searched.
  r = read_template(
      with_line(with_line(with_line(kRdg, "LAPL=", "LAPL= *calc"), "LAPL_INPUT_CUBE", ""), "LAPL_INPUT_GRD", ""));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.lapl_calc, 1);
}

TEST_F(InputTemplate, RdgNamesAndNumbers) {
  std::string text = with_line(kRdg, "RHO_INPUT_CUBE", "RHO_INPUT_CUBE      my density.cube");
  text = with_line(text, "RDG_OUTPUT", "RDG_OUTPUT 123456789012345678901234567890TAIL");
  text = with_line(text, "PLOT_NAME", "PLOT_NAME   two words");
  ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.v.rhocube_inp, padded("my density.cube", 35));
  EXPECT_EQ(r.v.rdg_outname, "123456789012345678901234567890");
  EXPECT_EQ(r.v.plot_name, padded("two", 30));

  // CR LF and lone CR line ends, a byte-order mark before the first line: no
  // CR in any name, the first keyword found.
  for (const char* line_end : {"\r\n", "\r"}) {
    std::string text = "\xEF\xBB\xBF";
    for (char c : kRdg) text += c == '\n' ? std::string(line_end) : std::string(1, c);
    r = read_template(text);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.v.report_name, padded("report.txt", 30));
    EXPECT_EQ(r.v.rhocube_inp, padded("rho.cube", 35));
    EXPECT_EQ(r.v.plot_name, padded("plot.dat", 30));
    EXPECT_EQ(r.v.spacecutoff, 3.0f);
  }

  // Numbers and the plot name without a readable item, and names holding a
  // control character, fail as reads of the input file, on their line.
  struct Bad {
    const char* keyword;
    std::string replacement;
    Kind kind;
    long line;
  };
  const Bad bads[] = {{"LOWER_VALUE", "LOWER_VALUE 0.0.1", Kind::BadValue, 15},
                      {"UPPER_VALUE", "UPPER_VALUE", Kind::EndOfFile, 16},
                      {"TOLERANCE", "TOLERANCE three", Kind::BadValue, 19},
                      {"PLOT_NAME", "PLOT_NAME", Kind::EndOfFile, 25},
                      // The number stands beyond its range (columns 13-50).
                      {"LOWER_VALUE", "LOWER_VALUE                                       1", Kind::EndOfFile, 15},
                      {"ENERGY_OUTPUT", "ENERGY_OUTPUT a\tb", Kind::BadValue, 23},
                      {"RDG_OUTPUT", std::string("RDG_OUTPUT rdg\0x", 16), Kind::BadValue, 17},
                      {"PLOT_NAME", "PLOT_NAME plot\x7f", Kind::BadValue, 25},
                      {"OUTPUT_FILE_NAME", "OUTPUT_FILE_NAME report.txt\x01", Kind::BadValue, 1}};
  for (const Bad& b : bads) {
    r = read_template(with_line(kRdg, b.keyword, b.replacement));
    EXPECT_EQ(r.status, 2) << b.replacement;
    ASSERT_TRUE(r.error) << b.replacement;
    EXPECT_EQ(r.error->kind(), b.kind) << b.replacement;
    EXPECT_EQ(r.error->line(), b.line) << b.replacement;
    EXPECT_EQ(r.error->file(), "input.inp");
  }
}

// ---------------------------------------------------------------------------
// The WFN section.

const std::string kWfn =
    "OUTPUT_FILE_NAME report.txt\n"
    "SECTIONS *WFN  TOP  RDG\n"
    "PROPERTIES FROM WAVEFUNCTION\n"
    "INPUT molecule.wfn\n"
    "OUTPUT mol\n"
    "CALCULATING *rho  gra *lap *ene\n"
    "CENTER 1.5 -2.0 0.25\n"
    "N_POINTS_X 11\n"
    "STEPSIZE_X 0.2\n"
    "N_POINTS_Y 12\n"
    "STEPSIZE_Y 0.3\n"
    "N_POINTS_Z 13\n"
    "STEPSIZE_Z 0.4\n";

const std::string kWfnProblem = "WFN SECTION: PROBLEM IN READING THE INPUT!!!!";

TEST_F(InputTemplate, WfnFullTemplate) {
  ReaderResult r = read_template(kWfn);
  ASSERT_EQ(r.status, -1);
  const InputVariables& v = r.v;
  EXPECT_EQ(v.wfn_inpname, padded("molecule.wfn", 33));
  EXPECT_EQ(v.wfn_outname, padded("mol", 33));
  EXPECT_EQ(v.wfn_risp, (std::array<std::int32_t, 4>{1, 0, 1, 1}));
  EXPECT_EQ(v.centre_wfn, (std::array<float, 3>{1.5f, -2.0f, 0.25f}));
  EXPECT_EQ(v.n_puntix, 11);
  EXPECT_EQ(v.n_puntiy, 12);
  EXPECT_EQ(v.n_puntiz, 13);
  const std::array<std::array<float, 3>, 3> steps{{{0.2f, 0, 0}, {0, 0.3f, 0}, {0, 0, 0.4f}}};
  EXPECT_EQ(v.orient_matr, steps);
  EXPECT_EQ(read_file("report.txt"), "");
}

TEST_F(InputTemplate, WfnWarnings) {
  std::string text = with_line(kWfn, "OUTPUT mol", "OUTPUT                                   mol");
  text = with_line(text, "CENTER", "CENTER 1.0 2.0");
  ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"), line("WFN SECTION: output name for grid files not given!!!") +
                                         line("WFN SECTION: bad value for cube center!!"));
  EXPECT_EQ(r.v.wfn_outname, padded("", 33));
  EXPECT_EQ(r.v.centre_wfn, (std::array<float, 3>{1.0f, 2.0f, 0.0f}));
  EXPECT_EQ(r.v.n_puntix, 11);
  // The numbers before an unreadable one are kept, the others are 0.
  r = read_template(with_line(kWfn, "CENTER", "CENTER 3.0 x 4.0"));
  EXPECT_EQ(read_file("report.txt"), line("WFN SECTION: bad value for cube center!!"));
  EXPECT_EQ(r.v.centre_wfn, (std::array<float, 3>{3.0f, 0.0f, 0.0f}));
  r = read_template(with_line(kWfn, "CENTER", "CENTER"));
  EXPECT_EQ(r.v.centre_wfn, (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(r.status, -1);
}

TEST_F(InputTemplate, WfnTemplateErrors) {
  // Searches that end with the WFN message pair.
  for (const char* keyword : {"PROPERTIES", "INPUT", "CALCULATING", "CENTER", "STEPSIZE_X", "N_POINTS_Y",
                              "STEPSIZE_Y", "N_POINTS_Z", "STEPSIZE_Z"}) {
    ReaderResult r = read_template(with_line(kWfn, keyword, std::string("#") + keyword));
    EXPECT_EQ(r.status, 1) << keyword;
    EXPECT_EQ(read_file("report.txt"), line(kWfnProblem) + line(kModified)) << keyword;
    EXPECT_EQ(r.console, line(kWfnProblem) + line(kModified)) << keyword;
  }
  // Searches whose end of file the text layer reports.
  for (const char* keyword : {"OUTPUT mol", "N_POINTS_X"}) {
    ReaderResult r = read_template(cut_before(kWfn, keyword));
    EXPECT_EQ(r.status, 2) << keyword;
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->kind(), Kind::EndOfFile);
    EXPECT_EQ(r.console, "");
  }
  ReaderResult r = read_template(with_line(kWfn, "N_POINTS_Y", "N_POINTS_Y 1.5"));
  EXPECT_EQ(r.status, 2);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->kind(), Kind::BadValue);
  EXPECT_EQ(r.error->line(), 10);
}

// ---------------------------------------------------------------------------
// The TOP section.

const std::string kTop =
    "OUTPUT_FILE_NAME report.txt\n"
    "SECTIONS  WFN *TOP  RDG\n"
    "TOPOND TO CUBE CONVERSION\n"
    "N_OF_GRIDS 2\n"
    "GRID_FILE_NAME grid1.dat\n"
    "CUBE_NAME(OUTPUT) grid1\n"
    "GRID_FILE_NAME grid2.dat\n"
    "CUBE_NAME(OUTPUT) grid2\n"
    "CRYSTAL_OUTPUT_NAME crystal.out\n"
    "N_OF_SYMM_OPERATIONS 3\n"
    "SYMM x,y,z\n"
    "SYMM -x+1/2,-y,z+1/2\n"
    "SYMM y-1/2,x,-z+1\n";

const std::string kTopProblem = "TOPOND FILE CONVERSION SECTION: PROBLEM IN READING THE INPUT!!!!";

TEST_F(InputTemplate, TopFullTemplate) {
  ReaderResult r = read_template(kTop);
  ASSERT_EQ(r.status, -1);
  const InputVariables& v = r.v;
  EXPECT_EQ(v.n_grid, 2);
  EXPECT_EQ(v.grd_top_name1, padded("grid1.dat", 30));
  EXPECT_EQ(v.cubeout1, padded("grid1", 30));
  EXPECT_EQ(v.grd_top_name2, padded("grid2.dat", 30));
  EXPECT_EQ(v.cubeout2, padded("grid2", 30));
  EXPECT_EQ(v.grd_top_name3, padded("", 30));
  EXPECT_EQ(v.crys_out, padded("crystal.out", 30));
  ASSERT_EQ(v.n_symm, 3);
  ASSERT_EQ(v.symm_op.size(), 27u);
  ASSERT_EQ(v.transl.size(), 9u);
  // symm_op(i, c, j) with the operation index fastest in storage.
  const std::vector<std::int32_t> expected_op{1, -1, 0, 0, 0, 1, 0, 0, 0,    // j = 1: c = x, y, z
                                              0, 0, 1, 1, -1, 0, 0, 0, 0,    // j = 2
                                              0, 0, 0, 0, 0, 0, 1, 1, -1};   // j = 3
  EXPECT_EQ(v.symm_op, expected_op);
  const std::vector<double> expected_tr{0, 0.5, -0.5, 0, 0, 0, 0, 0.5, 1};
  EXPECT_EQ(v.transl, expected_tr);
  EXPECT_EQ(read_file("report.txt"), "");
}

TEST_F(InputTemplate, TopGridCount) {
  // More than three grids: the warning, three pairs of names, n_grid kept.
  std::string text = with_line(kTop, "N_OF_GRIDS", "N_OF_GRIDS 5");
  text = with_line(text, "CRYSTAL_OUTPUT_NAME",
                   "GRID_FILE_NAME grid3.dat\nCUBE_NAME(OUTPUT) grid3\nGRID_FILE_NAME grid4.dat\n"
                   "CRYSTAL_OUTPUT_NAME crystal.out");
  ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"), line("TOPOND FILE CONVERSION SECTION: number of grid files greater than 3. "
                                          "Only first three files will be converted"));
  EXPECT_EQ(r.v.n_grid, 5);
  EXPECT_EQ(r.v.grd_top_name3, padded("grid3.dat", 30));
  EXPECT_EQ(r.v.cubeout3, padded("grid3", 30));
  // An unreadable count: the warning, no names read.
  r = read_template(with_line(kTop, "N_OF_GRIDS", "N_OF_GRIDS two"));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read_file("report.txt"),
            line("TOPOND FILE CONVERSION SECTION: problem in reading the number of input grid files"));
  EXPECT_NE(r.console.find("no grid file will be converted"), std::string::npos) << r.console;
  EXPECT_EQ(r.v.n_grid, 0);
  EXPECT_EQ(r.v.grd_top_name1, padded("", 30));
  EXPECT_EQ(r.v.crys_out, padded("crystal.out", 30));
}

TEST_F(InputTemplate, TopConsoleCodes) {
  struct Cut {
    std::string text;
    const char* code;
  };
  const std::string three = with_line(kTop, "N_OF_GRIDS", "N_OF_GRIDS 3");
  const Cut cuts[] = {
      {cut_before(kTop, "TOPOND"), "err topo0"},
      {cut_before(kTop, "N_OF_GRIDS"), "err topo1"},
      {cut_before(kTop, "GRID_FILE_NAME"), "err topo2_1a"},
      {cut_before(kTop, "CUBE_NAME"), "err topo2_1b"},
      {with_line(with_line(kTop, "GRID_FILE_NAME grid2", ""), "CUBE_NAME(OUTPUT) grid2", ""), "err topo2_2a"},
      {with_line(kTop, "CUBE_NAME(OUTPUT) grid2", ""), "err topo2_2b"},
      {three, "err topo2_3a"},
      {with_line(three, "CRYSTAL", "GRID_FILE_NAME g3\nCRYSTAL_OUTPUT_NAME c"), "err topo2_3b"},
      {with_line(kTop, "CRYSTAL", ""), "err topo3"},
      {with_line(kTop, "N_OF_SYMM", ""), "err topo4"},
  };
  for (const Cut& c : cuts) {
    ReaderResult r = read_template(c.text);
    EXPECT_EQ(r.status, 1) << c.code;
    EXPECT_EQ(r.console, line(c.code) + line(kTopProblem) + line(kModified)) << c.code;
    EXPECT_EQ(read_file("report.txt"), line(kTopProblem) + line(kModified)) << c.code;
  }
}

TEST_F(InputTemplate, TopSymmetryLines) {
  // Fewer SYMM lines than operations: an end of file of the text layer.
  ReaderResult r = read_template(with_line(kTop, "SYMM y-1/2", ""));
  EXPECT_EQ(r.status, 2);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->kind(), Kind::EndOfFile);
  // An unreadable count or translation fails on its line.
  r = read_template(with_line(kTop, "N_OF_SYMM", "N_OF_SYMM_OPERATIONS"));
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->kind(), Kind::EndOfFile);
  EXPECT_EQ(r.error->line(), 10);
  r = read_template(with_line(kTop, "SYMM -x", "SYMM 2x,y,z"));
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->kind(), Kind::BadValue);
  EXPECT_EQ(r.error->line(), 12);
  // No operations: no arrays, no SYMM line searched.
  for (const char* n : {"N_OF_SYMM_OPERATIONS 0", "N_OF_SYMM_OPERATIONS -2"}) {
    r = read_template(cut_before(with_line(kTop, "N_OF_SYMM", n), "SYMM"));
    EXPECT_EQ(r.status, -1) << n;
    EXPECT_TRUE(r.v.symm_op.empty());
    EXPECT_TRUE(r.v.transl.empty());
  }
  // The operation text is columns 5-44: what follows column 44 is not read,
  // and a colon in column 5 hides the x after it.
  r = read_template(cut_before(kTop, "SYMM x") + "SYMM:x,y,z\nSYMM x,y,z+1\nSYMM" + std::string(36, ' ') + "x,y,z\n");
  ASSERT_EQ(r.status, -1);
  EXPECT_EQ(r.v.symm(1, 1, 1), 0);
  EXPECT_EQ(r.v.symm(1, 2, 2), 1);
  EXPECT_EQ(r.v.tr(2, 3), 1.0);
  EXPECT_EQ(r.v.symm(3, 1, 1), 1);  // "x,y," fits, the z stands in column 45
  EXPECT_EQ(r.v.symm(3, 3, 3), 0);
}

// ---------------------------------------------------------------------------
// All three sections.

TEST_F(InputTemplate, AllSectionsInOrder) {
  const std::string all = kFrame + "SECTIONS *WFN *TOP *RDG\n" + kWfn.substr(kWfn.find("PROPERTIES")) +
                          kTop.substr(kTop.find("TOPOND")) + kRdg.substr(kRdg.find("RDG,RHO"));
  ReaderResult r = read_template(all);
  ASSERT_EQ(r.status, -1) << r.console;
  EXPECT_EQ(r.v.inp1_risp, (std::array<std::int32_t, 3>{1, 1, 1}));
  EXPECT_EQ(r.v.wfn_inpname, padded("molecule.wfn", 33));
  EXPECT_EQ(r.v.wfn_risp, (std::array<std::int32_t, 4>{1, 0, 1, 1}));
  EXPECT_EQ(r.v.orient_matr[2][2], 0.4f);
  EXPECT_EQ(r.v.n_symm, 3);
  EXPECT_EQ(r.v.tr(3, 1), -0.5);
  EXPECT_EQ(r.v.inprdg_risp, (std::array<std::int32_t, 3>{1, 0, 0}));
  EXPECT_EQ(r.v.plot_name, padded("plot.dat", 30));
  EXPECT_EQ(read_file("report.txt"), "");

  // The RDG block before the WFN block: the WFN searches pass over it, then
  // the RDG header search runs to the end of the file.
  const std::string swapped = kFrame + "SECTIONS *WFN  TOP *RDG\n" + kRdg.substr(kRdg.find("RDG,RHO")) +
                              kWfn.substr(kWfn.find("PROPERTIES"));
  r = read_template(swapped);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.v.wfn_outname, padded("mol", 33));
  EXPECT_EQ(read_file("report.txt"), line(kRdgProblem) + line(kModified));
}

TEST_F(InputTemplate, SharedDataTemplatesRead) {
  const fs::path dir = fs::path(TESSARO_SHARED_DATA).parent_path() / "templates";
  if (!fs::exists(dir)) GTEST_SKIP() << "no example templates at " << dir;
  for (const char* name : {"template_all.inp", "template_rdg.inp", "template_top.inp", "template_wfn.inp"}) {
    ReaderResult r = read_template(read_file((dir / name).string()));
    EXPECT_EQ(r.status, -1) << name << r.console;
    EXPECT_EQ(read_file("report.txt"), "") << name;
  }
}

}  // namespace
}  // namespace tessaro::testing
