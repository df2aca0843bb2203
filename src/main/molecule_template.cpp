#include "main/molecule_template.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "run/output_names.hpp"

namespace tessaro {

namespace {

// Fixed-point text with `decimals` digits after the point.
std::string fixed(double value, int decimals) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string text(buf, res.ptr);
  if (text.starts_with("-") && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);  // no "-0.000000"
  return text;
}

// The shortest text that reads back as the same number ("0.2", "3").
std::string shortest(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

// One "KEYWORD value" line. The value starts one column after the keyword and
// must end by column `last`, the end of its field.
class Lines {
 public:
  void comment(std::string_view text) {
    out_ += text;
    out_ += '\n';
  }
  void field(std::string_view keyword, std::string_view value, int last) {
    const int first = static_cast<int>(keyword.size()) + 2;
    const int width = last - first + 1;
    if (static_cast<int>(value.size()) > width)
      throw TemplateFieldError(std::string(keyword) + ": " + std::string(value) + " does not fit columns " +
                               std::to_string(first) + "-" + std::to_string(last) + " (" + std::to_string(width) +
                               " characters); give the wavefunction file a shorter name");
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7f)
        throw TemplateFieldError(std::string(keyword) + ": the name holds a control character");
    }
    out_ += keyword;
    out_ += ' ';
    out_ += value;
    out_ += '\n';
  }
  std::string& text() { return out_; }

 private:
  std::string out_;
};

}  // namespace

MoleculeBox molecule_box(const double* x, const double* y, const double* z, std::size_t count,
                         const TemplateBox& settings) {
  MoleculeBox box;
  const double* axes[3] = {x, y, z};
  for (std::size_t a = 0; a < 3; ++a) {
    const auto [lo, hi] = std::minmax_element(axes[a], axes[a] + count);
    const double extent = (*hi - *lo) + 2.0 * settings.margin;
    box.centre[a] = 0.5 * (*lo + *hi);
    // The smallest count whose (n - 1) steps span the extent; a step that
    // would round the span just short of it by a last bit adds no point.
    const double steps = std::ceil(extent / settings.step * (1.0 - 1.0e-12));
    box.points[a] = steps >= 9.0e18 ? std::numeric_limits<long long>::max() : static_cast<long long>(steps) + 1;
  }
  return box;
}

std::string template_base_name(std::string_view wavefunction_file) {
  const std::filesystem::path path{std::string(wavefunction_file)};
  std::string base = path.filename().string();
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.erase(dot);
  return base.empty() ? "molecule" : base;
}

std::string molecule_template(std::string_view wavefunction_file, const MoleculeBox& box, const TemplateBox& settings) {
  const std::string base = template_base_name(wavefunction_file);
  const std::string file(wavefunction_file);
  // The plot name is one free-form word: a blank, comma, slash or quote would
  // end it or open a quoted text.
  const std::string plot = "_" + base + ".dat";
  if (plot.find_first_of(" ,/'\"") != std::string::npos)
    throw TemplateFieldError("PLOT_NAME: " + plot +
                             " holds a blank, comma, slash or quote (columns 11-40 take one "
                             "word); give the wavefunction file another name");

  Lines t;
  t.comment("# Tessaro input for " + file + ", written by:  tessaro --template " + file);
  t.comment("# The WFN section writes the electron density, its gradient and its Laplacian");
  t.comment("# on a box that covers every nucleus with a margin of " + shortest(settings.margin) +
            " bohr, at a step of");
  t.comment("# " + shortest(settings.step) + " bohr; the RDG section reads the three cubes and runs all four jobs");
  t.comment("# and both plots.  Run it with:  tessaro <this file>");
  t.comment("# (tessaro --template alone prints the template with every keyword explained.)");
  t.field("OUTPUT_FILE_NAME", base + "_report.txt", 47);
  t.comment("SECTIONS *WFN  TOP *RDG");
  t.comment("#");
  t.comment("# ======== WFN: properties from the wavefunction ========");
  t.comment("PROPERTIES FROM WAVEFUNCTION");
  t.field("INPUT", file, 39);
  t.field("OUTPUT", base, 40);
  t.comment("CALCULATING *rho *gra *lap  ene");
  const char* const names[3] = {"X", "Y", "Z"};
  std::string centre;
  for (std::size_t a = 0; a < 3; ++a) centre += (a > 0 ? " " : "") + fixed(box.centre[a], 6);
  t.field("CENTER", centre, 50);
  for (std::size_t a = 0; a < 3; ++a) {
    const std::string keyword = std::string("N_POINTS_") + names[a];
    if (box.points[a] > std::numeric_limits<std::int32_t>::max())
      throw TemplateFieldError(keyword + ": " + std::to_string(box.points[a]) +
                               " points are more than a count of columns 12-40 can hold; take a larger step");
    t.field(keyword, std::to_string(box.points[a]), 40);
    t.field(std::string("STEPSIZE_") + names[a], shortest(settings.step), 40);
  }
  t.comment("#");
  t.comment("# ======== RDG: RDG, rho*sign(lambda2), Abramov energies ========");
  t.comment("RDG,RHO*(signL2) AND ABRAMOV");
  t.comment("INPUT  XD2  GAU *CUB");
  t.comment("CALCULATING *RDG *rho *Abr *plo");
  t.field("RHO_INPUT_CUBE", base + std::string(wfn_output::kRho), 50);
  t.comment("# The gradient and the Laplacian of the WFN section: values on the border too.");
  t.comment("GRAD=  calc *read");
  t.field("GRAD_INPUT_CUBE", base + std::string(wfn_output::kGradient), 50);
  t.comment("LAPL=  calc *read");
  t.field("LAPL_INPUT_CUBE", base + std::string(wfn_output::kLaplacian), 50);
  t.comment("RDG_CALCULATION *all_p  rho_c  rhosi");
  t.comment("LOWER_VALUE -0.05");
  t.comment("UPPER_VALUE 0.05");
  t.field("RDG_OUTPUT", base + "_rdg", 41);
  t.comment("SPACE_CUTOFF *none  atom  exte");
  t.comment("TOLERANCE 3.0");
  t.comment("RHO_SIGN_CALCULATION  RDG_p");
  t.field("RHO_SIGN_OUTPUT", base + "_rhosign", 46);
  t.comment("ENERGY_CALCULATION  RDG_p");
  t.field("ENERGY_OUTPUT", base, 44);
  t.comment("2DPLOT *rho *rhosign");
  t.field("PLOT_NAME", plot, 40);
  return std::move(t.text());
}

}  // namespace tessaro
