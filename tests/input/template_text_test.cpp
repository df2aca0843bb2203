#include "input/template_text.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "input/template_fixture.hpp"

namespace tessaro::testing {
namespace {

std::string replaced_line(std::string text, const std::string& old_line, const std::string& new_line) {
  const std::size_t p = text.find("\n" + old_line + "\n");
  EXPECT_NE(p, std::string::npos) << old_line;
  if (p != std::string::npos) text.replace(p + 1, old_line.size(), new_line);
  return text;
}

enum class Kind { header, value, options };

// The keyword lines in the order the reader searches them, each with the
// columns (counted from 1) that its value or its stars may occupy.
struct KeywordLine {
  const char* keyword;
  Kind kind;
  int first;
  int last;
  std::vector<std::string> options;
};

const std::vector<KeywordLine>& expected_lines() {
  static const std::vector<KeywordLine> lines{
      {"OUTPUT_FILE_NAME", Kind::value, 18, 47, {}},
      {"SECTIONS", Kind::options, 1, 47, {"WFN", "TOP", "RDG"}},
      {"PROPERTIES FROM WAVEFUNCTION", Kind::header, 0, 0, {}},
      {"INPUT", Kind::value, 7, 39, {}},
      {"OUTPUT", Kind::value, 8, 40, {}},
      {"CALCULATING", Kind::options, 1, 47, {"rho", "gra", "lap", "ene"}},
      {"CENTER", Kind::value, 8, 50, {}},
      {"N_POINTS_X", Kind::value, 12, 40, {}},
      {"STEPSIZE_X", Kind::value, 12, 40, {}},
      {"N_POINTS_Y", Kind::value, 12, 40, {}},
      {"STEPSIZE_Y", Kind::value, 12, 40, {}},
      {"N_POINTS_Z", Kind::value, 12, 40, {}},
      {"STEPSIZE_Z", Kind::value, 12, 40, {}},
      {"TOPOND TO CUBE CONVERSION", Kind::header, 0, 0, {}},
      {"N_OF_GRIDS", Kind::value, 12, 50, {}},
      {"GRID_FILE_NAME", Kind::value, 16, 45, {}},
      {"CUBE_NAME(OUTPUT)", Kind::value, 19, 48, {}},
      {"GRID_FILE_NAME", Kind::value, 16, 45, {}},
      {"CUBE_NAME(OUTPUT)", Kind::value, 19, 48, {}},
      {"GRID_FILE_NAME", Kind::value, 16, 45, {}},
      {"CUBE_NAME(OUTPUT)", Kind::value, 19, 48, {}},
      {"CRYSTAL_OUTPUT_NAME", Kind::value, 21, 50, {}},
      {"N_OF_SYMM_OPERATIONS", Kind::value, 22, 50, {}},
      {"SYMM", Kind::value, 5, 44, {}},
      {"RDG,RHO*(signL2) AND ABRAMOV", Kind::header, 0, 0, {}},
      {"INPUT", Kind::options, 7, 47, {"XD2", "GAU", "CUB"}},
      {"CALCULATING", Kind::options, 13, 47, {"RDG", "rho", "Abr", "plo"}},
      {"RHO_INPUT_CUBE", Kind::value, 16, 50, {}},
      {"RHO_INPUT_GRD(XD only)", Kind::value, 24, 50, {}},
      {"GRAD=", Kind::options, 6, 46, {"calc", "read"}},
      {"GRAD_INPUT_CUBE", Kind::value, 17, 50, {}},
      {"GRAD_INPUT_GRD(XD only)", Kind::value, 25, 50, {}},
      {"LAPL=", Kind::options, 6, 46, {"calc", "read"}},
      {"LAPL_INPUT_CUBE", Kind::value, 17, 50, {}},
      {"LAPL_INPUT_GRD(XD only)", Kind::value, 25, 50, {}},
      {"RDG_CALCULATION", Kind::options, 17, 45, {"all_p", "rho_c", "rhosi"}},
      {"LOWER_VALUE", Kind::value, 13, 50, {}},
      {"UPPER_VALUE", Kind::value, 13, 50, {}},
      {"RDG_OUTPUT", Kind::value, 12, 41, {}},
      {"SPACE_CUTOFF", Kind::options, 13, 45, {"none", "atom", "exte"}},
      {"TOLERANCE", Kind::value, 11, 50, {}},
      {"RHO_SIGN_CALCULATION", Kind::options, 22, 45, {"RDG_p"}},
      {"RHO_SIGN_OUTPUT", Kind::value, 17, 46, {}},
      {"ENERGY_CALCULATION", Kind::options, 20, 45, {"RDG_p"}},
      {"ENERGY_OUTPUT", Kind::value, 15, 44, {}},
      {"2DPLOT", Kind::options, 8, 45, {"rho", "rhosign"}},
      {"PLOT_NAME", Kind::value, 11, 40, {}},
  };
  return lines;
}

TEST(TemplateText, EveryKeywordInOrderAndEveryValueInsideItsColumns) {
  const std::string text(input_template());
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  std::size_t next = 0;
  for (const std::string& line : lines_of(text)) {
    if (line.empty() || line[0] == '#') continue;
    ASSERT_LT(next, expected_lines().size()) << "unexpected line: " << line;
    const KeywordLine& want = expected_lines()[next++];
    const std::string keyword = want.keyword;
    SCOPED_TRACE(line);
    ASSERT_EQ(line.substr(0, keyword.size()), keyword);
    EXPECT_LE(line.size(), 50u);  // the reader ignores every column after the 50th
    if (want.kind == Kind::header) {
      EXPECT_EQ(line, keyword);
      continue;
    }
    ASSERT_GT(line.size(), keyword.size() + 1);
    EXPECT_EQ(line[keyword.size()], ' ');  // the value starts one column after the keyword
    const int first_used = static_cast<int>(line.find_first_not_of(' ', keyword.size())) + 1;
    const int last_used = static_cast<int>(line.find_last_not_of(' ')) + 1;
    EXPECT_GE(first_used, want.first);
    EXPECT_LE(last_used, want.last);
    if (want.kind == Kind::options) {
      // Each option word stands on the line, and each star directly before one.
      for (const std::string& option : want.options) {
        EXPECT_NE(line.find(option, keyword.size()), std::string::npos) << option;
      }
      for (std::size_t p = line.find('*', keyword.size()); p != std::string::npos; p = line.find('*', p + 1)) {
        bool before_option = false;
        for (const std::string& option : want.options) before_option |= line.compare(p + 1, option.size(), option) == 0;
        EXPECT_TRUE(before_option) << "star in column " << p + 1;
      }
    }
  }
  EXPECT_EQ(next, expected_lines().size());
}

TEST(TemplateText, ExampleFileHoldsTheSameText) {
  const std::string path = std::string(TESSARO_TEST_DATA) + "/../../examples/template.inp";
  ASSERT_TRUE(fs::exists(path)) << path;
  EXPECT_EQ(read_file(path), std::string(input_template()));
}

class TemplateTextRun : public InputTemplate {};

TEST_F(TemplateTextRun, ReaderTakesTheChoicesAsGiven) {
  const ReaderResult r = read_template(std::string(input_template()));
  EXPECT_EQ(r.status, -1);
  const InputVariables& v = r.v;
  EXPECT_EQ(trimmed(v.report_name), "report.txt");
  EXPECT_EQ(v.inp1_risp, (std::array<std::int32_t, 3>{1, 0, 1}));
  EXPECT_EQ(trimmed(v.wfn_inpname), "molecule.wfn");
  EXPECT_EQ(trimmed(v.wfn_outname), "molecule");
  EXPECT_EQ(v.wfn_risp, (std::array<std::int32_t, 4>{1, 0, 0, 0}));
  EXPECT_EQ(v.n_puntix, 41);
  EXPECT_EQ(v.n_puntiz, 41);
  EXPECT_EQ(v.orient_matr[1][1], 0.25f);
  EXPECT_EQ(v.inprdg_risp, (std::array<std::int32_t, 3>{0, 0, 1}));
  EXPECT_EQ(v.calc_risp, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(trimmed(v.rhocube_inp), "molecule_rho.cube");
  EXPECT_EQ(v.grad_calc + 2 * v.grad_read + 4 * v.lapl_calc + 8 * v.lapl_read, 1 + 4);
  EXPECT_EQ(v.rdg_risp, (std::array<std::int32_t, 3>{1, 0, 0}));
  EXPECT_EQ(v.rdg_rispace, (std::array<std::int32_t, 3>{1, 0, 0}));
  EXPECT_EQ(trimmed(v.rdg_outname), "rdg");
  EXPECT_EQ(v.rhosign_points + v.e_points, 0);
  EXPECT_EQ(trimmed(v.rhosign_outname), "rhosign");
  EXPECT_EQ(trimmed(v.e_outname), "energy");
  EXPECT_EQ(v.duedplot, (std::array<std::int32_t, 3>{1, 1, 0}));
  EXPECT_EQ(trimmed(v.plot_name), "plot.dat");
}

TEST_F(TemplateTextRun, EveryOptionalLineIsReadWhenItsOptionIsStarred) {
  std::string text(input_template());
  text = replaced_line(text, "SECTIONS *WFN  TOP *RDG", "SECTIONS *WFN *TOP *RDG");
  text = replaced_line(text, "INPUT  XD2  GAU *CUB", "INPUT *XD2  GAU  CUB");
  text = replaced_line(text, "GRAD= *calc  read", "GRAD=  calc *read");
  text = replaced_line(text, "LAPL= *calc  read", "LAPL=  calc *read");
  text = replaced_line(text, "RDG_CALCULATION *all_p  rho_c  rhosi", "RDG_CALCULATION  all_p *rho_c  rhosi");
  text = replaced_line(text, "SPACE_CUTOFF *none  atom  exte", "SPACE_CUTOFF  none *atom  exte");
  text = replaced_line(text, "RHO_SIGN_CALCULATION  RDG_p", "RHO_SIGN_CALCULATION *RDG_p");
  text = replaced_line(text, "N_OF_GRIDS 1", "N_OF_GRIDS 3");
  const ReaderResult r = read_template(text);
  EXPECT_EQ(r.status, -1);
  const InputVariables& v = r.v;
  EXPECT_EQ(v.inp1_risp, (std::array<std::int32_t, 3>{1, 1, 1}));
  EXPECT_EQ(v.n_grid, 3);
  EXPECT_EQ(trimmed(v.grd_top_name3), "grid3.dat");
  EXPECT_EQ(trimmed(v.cubeout3), "grid3");
  EXPECT_EQ(trimmed(v.crys_out), "crystal.out");
  EXPECT_EQ(v.n_symm, 1);
  EXPECT_EQ(v.inprdg_risp, (std::array<std::int32_t, 3>{1, 0, 0}));
  EXPECT_EQ(trimmed(v.rhogrd_inp), "rho.grd");
  EXPECT_EQ(trimmed(v.gradcube_inp), "grad.cube");
  EXPECT_EQ(trimmed(v.gradgrd_inp), "grad.grd");
  EXPECT_EQ(trimmed(v.laplcube_inp), "lapl.cube");
  EXPECT_EQ(trimmed(v.laplgrd_inp), "lapl.grd");
  EXPECT_EQ(v.rhocutoff, (std::array<float, 2>{-0.05f, 0.05f}));
  EXPECT_EQ(v.spacecutoff, 3.0f);
  EXPECT_EQ(v.rhosign_points, 1);
  EXPECT_EQ(trimmed(v.plot_name), "plot.dat");
}

// With its one file name filled in (a real water dimer wavefunction), the
// template runs as given: the density cube from the WFN section, then all four
// jobs of the RDG section on it.
TEST_F(TemplateTextRun, RunsWithTheWavefunctionInPlace) {
  fs::copy_file(std::string(TESSARO_TEST_DATA) + "/wavefunction/water_dimer.wfn", "molecule.wfn");
  write_file("template.inp", std::string(input_template()));
  const ProgramResult r = run_program({"template.inp"});
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* name : {"report.txt", "molecule_rho.cube", "rdg.cube", "rhosign.cube", "energy_Gabr.cube",
                           "rhoplot.dat", "rhosignplot.dat"}) {
    EXPECT_TRUE(fs::exists(name)) << name;
  }
}

}  // namespace
}  // namespace tessaro::testing
