#pragma once
// A ready-to-run template for one molecule: the WFN section on a box that
// covers every nucleus with a margin, writing the density, its gradient and
// its Laplacian, and the RDG section on those three cubes with all four jobs
// and both plots. Every name is built from the wavefunction file's name.
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaro {

struct TemplateBox {
  double step = 0.2;    // bohr, along every axis
  double margin = 3.0;  // bohr, beyond the outermost nuclei on every side
};

// The box written into the template: CENTER and the points of each axis,
// (n - 1) * step covering the nuclei and the margin on both sides.
struct MoleculeBox {
  std::array<double, 3> centre{};
  std::array<long long, 3> points{};
};

// Nuclear coordinates (bohr) -> the box. At least one nucleus.
MoleculeBox molecule_box(const double* x, const double* y, const double* z, std::size_t count,
                         const TemplateBox& settings);

// A name or number that does not fit its template field; what() names the
// field and its columns. The program ends with status 2.
class TemplateFieldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The base name of the files of a run on `wavefunction_file`: its name
// without folders and without its last suffix ("molecule" when that is empty).
std::string template_base_name(std::string_view wavefunction_file);

// The whole template; throws TemplateFieldError.
std::string molecule_template(std::string_view wavefunction_file, const MoleculeBox& box, const TemplateBox& settings);

}  // namespace tessaro
