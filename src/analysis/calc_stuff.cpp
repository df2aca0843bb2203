#include "analysis/calc_stuff.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "analysis/plot.hpp"
#include "analysis/plot_svg.hpp"
#include "analysis/rdg_kernels.hpp"
#include "analysis/statistics.hpp"
#include "analysis/vmd_script.hpp"
#include "grid/grid_files.hpp"
#include "run/input_file.hpp"
#include "run/output_file.hpp"
#include "run/output_names.hpp"
#include "run/progress.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"

namespace tessaro {

namespace {

enum class RdgPoints { All, RhoRange, RhosignRange };

// The section's choices, taken once from the settings.
struct RdgPlan {
  InputFormat format = InputFormat::CUB;
  // Jobs of the CALCULATING line; the plots only as far as 2DPLOT chooses them.
  bool rdg = false, rhosign = false, energies = false;
  bool plot_rho = false, plot_rhosign = false;
  // Where the gradient and the Laplacian come from.
  bool read_gradient = false, compute_gradient = false;
  bool read_laplacian = false, compute_laplacian = false;
  // The RDG's point rule, its density range and its space cutoff.
  RdgPoints rdg_points = RdgPoints::All;
  float rho_lower = 0.0f, rho_upper = 0.0f;
  SpaceMode space_mode = SpaceMode::None;
  float rdg_tolerance = 1000.0f;
  // RDG_p of RHO_SIGN_CALCULATION and ENERGY_CALCULATION.
  bool rhosign_on_rdg_points = false, energies_on_rdg_points = false;
  // The rho*sign(lambda2) plot takes the grid as built (not rebuilt at every
  // point) when rho*sign(lambda2) was requested without RDG_p, or when the RDG
  // was requested with the rhosi rule.
  bool plot_takes_rhosign_as_built = false;

  bool xd2() const { return format == InputFormat::XD2; }
};

RdgPlan rdg_plan(const InputVariables& iv) {
  RdgPlan plan;
  // With no format marked on the INPUT line the grids are read as general
  // cube files.
  plan.format = iv.inprdg_risp[kXd2Format]   ? InputFormat::XD2
                : iv.inprdg_risp[kGauFormat] ? InputFormat::GAU
                                             : InputFormat::CUB;
  plan.rdg = iv.calc_risp[kRdgJob] != 0;
  plan.rhosign = iv.calc_risp[kRhosignJob] != 0;
  plan.energies = iv.calc_risp[kAbramovJob] != 0;
  const bool plots = iv.calc_risp[kPlotJob] != 0;
  plan.plot_rho = plots && iv.duedplot[kRhoPlot] != 0;
  plan.plot_rhosign = plots && iv.duedplot[kRhosignPlot] != 0;

  plan.read_gradient = iv.grad_read != 0;
  plan.compute_gradient = iv.grad_calc != 0;
  // With both calc and read marked the template's Laplacian file names are
  // never read (they belong to the reading choice alone), so there is no file
  // to open: the Laplacian is computed.
  plan.read_laplacian = iv.lapl_read != 0 && iv.lapl_calc == 0;
  plan.compute_laplacian = iv.lapl_calc != 0;

  // The RDG with no point choice marked is taken at every point, as all_p.
  plan.rdg_points = iv.rdg_risp[kAllPointsRule]      ? RdgPoints::All
                    : iv.rdg_risp[kRhoRangeRule]     ? RdgPoints::RhoRange
                    : iv.rdg_risp[kRhosignRangeRule] ? RdgPoints::RhosignRange
                                                     : RdgPoints::All;
  plan.rho_lower = iv.rhocutoff[0];
  plan.rho_upper = iv.rhocutoff[1];
  // No space cutoff marked is taken as none, for the RDG and the plot rebuilds.
  plan.space_mode = iv.rdg_rispace[kAtomSpaceCutoff]   ? SpaceMode::Atom
                    : iv.rdg_rispace[kExteSpaceCutoff] ? SpaceMode::Exte
                                                       : SpaceMode::None;
  plan.rdg_tolerance = plan.space_mode == SpaceMode::None ? 1000.0f : iv.spacecutoff;

  plan.rhosign_on_rdg_points = iv.rhosign_points != 0;
  plan.energies_on_rdg_points = iv.e_points != 0;
  plan.plot_takes_rhosign_as_built =
      (plan.rhosign && !plan.rhosign_on_rdg_points) || (plan.rdg && plan.rdg_points == RdgPoints::RhosignRange);
  return plan;
}

// The zero grid passes every mask test; it is a rule (an empty mask span), not
// a stored array.
constexpr std::span<const double> kEveryPoint;

// What rdg_array holds.
enum class RdgHolds {
  Nothing,
  SelectedPoints,  // the RDG step's choice of points
  EveryPoint,      // all_p with no space cutoff: what the plots need
};

// The rho*sign(lambda2) grid: which points hold a value (0 elsewhere) and in
// which unit. Writing the grd file converts it in place to electrons per cubic
// angstrom, and the plot and the statistics then see those values. Between
// its files and its later readers the grid may be held compact, as one sign
// per point (see compact_rhosign): `values` is then empty.
struct RhosignGrid {
  enum class Points { None, RdgPoints, EveryPoint };
  std::vector<double> values;
  std::vector<std::int8_t> signs;
  Points points = Points::None;
  bool grd_units = false;
};

// The grids of one run of the section. A grid no later step reads is
// released at once, so the largest number held together stays small; an
// empty value array is a grid not held.
struct RdgSection {
  RdgSection(Run& r, const RdgPlan& p, GridFile d) : run(r), plan(p), density(std::move(d)) {}

  Run& run;
  const RdgPlan& plan;
  GridFile density;
  std::vector<double> grad_array, lapl_array;
  // Computed by differences (not read): 0 on the two outer layers. A
  // computed grid is let go once its file is written and the step right after
  // it has read it, and computed again, the same, when a later step needs it.
  bool gradient_computed = false, laplacian_computed = false;
  std::vector<double> rdg_array;
  RdgHolds rdg = RdgHolds::Nothing;
  RhosignGrid rhosign;
  std::vector<double> gabr, vabr, habr;
  // The energies' isosurface sums, when they were formed while the energy
  // grids were at hand (the grids are then not kept for the statistics).
  std::optional<EnergySums> energy_sums;

  const GridData& rho() const { return density.grid; }
  const InputVariables& iv() const { return run.input_variables; }
  // Five-point stencils need two neighbours on each side of a point.
  bool small_grid() const { return rho().n[0] < 5 || rho().n[1] < 5 || rho().n[2] < 5; }
  // Refuses, before anything is allocated, `grids` more grids than this
  // machine can hold besides the grids held now.
  void reserve_grids(std::size_t grids) const {
    std::size_t held = 0;
    for (const std::vector<double>* g : {&rho().cube_array, &grad_array, &lapl_array, &rdg_array, &rhosign.values,
                                         &gabr, &vabr, &habr})
      held += g->capacity() * sizeof(double);
    held += rhosign.signs.capacity();
    check_grid_allocation(rho().n[0], rho().n[1], rho().n[2], sizeof(double) * grids, held);
  }
  void write_cube(OutputFile& file, std::span<const double> values) const {
    cube_writing(file.stream(), rho(), values);
    file.commit();
  }
  void write_grd(OutputFile& file, std::span<const double> values) const {
    const GridData& g = rho();
    grd_writing(file.stream(), values, g.natoms, g.n[0], g.n[1], g.n[2], density.grd_intestaz);
    file.commit();
  }
};

void release(std::vector<double>& grid) { std::vector<double>().swap(grid); }

// Whether the gradient was read, or computed (and held or let go).
bool has_gradient(const RdgSection& s) { return !s.grad_array.empty() || s.gradient_computed; }

// The gradient grid, computed again when it was let go.
const std::vector<double>& gradient(RdgSection& s) {
  if (s.grad_array.empty() && s.gradient_computed) {
    s.reserve_grids(1);
    numerical_gradient(s.rho(), s.grad_array);
  }
  return s.grad_array;
}

// Why a grid that a job needs is missing.
std::string missing_reason(bool small_grid) {
  return small_grid ? " (the grid has less than 5 points in one of the three directions)"
                    : " (neither read nor calculated)";
}

void skip_line(Run& run, const char* job, const char* grid, bool small_grid) {
  run.report_line(std::string(job) + " SKIPPED: no " + grid + " grid" + missing_reason(small_grid));
}

// Reads one grid of the given role from its cube file (and, with XD2006
// input, its grd file). A header the reader rejects ends the run with one
// line in the report and on the console.
GridFile read_grid(Run& run, const std::string& cube_name, const std::string& grd_name, GridRole role,
                   InputFormat format) {
  InputFile cube(run, cube_name);
  std::optional<InputFile> grd;
  if (format == InputFormat::XD2) grd.emplace(run, grd_name);
  try {
    return cube_in_array(cube.reader(), role, format, grd ? &grd->reader() : nullptr);
  } catch (const GridFileRejected& e) {
    stop_rejected_grid(run, e);
  }
}

// The density grid, and with XD2006 input the header lines of its grd file.
GridFile read_density(Run& run, const RdgPlan& plan) {
  const InputVariables& iv = run.input_variables;
  return read_grid(run, iv.rhocube_inp, iv.rhogrd_inp, GridRole::Density, plan.format);
}

// A derivative grid read from its files, checked against the density's header.
std::vector<double> read_derivative(RdgSection& s, const std::string& cube_name, const std::string& grd_name,
                                    GridRole role, std::string_view check_name) {
  GridData grid = read_grid(s.run, cube_name, grd_name, role, s.plan.format).grid;
  check_cube(s.run, grid, s.rho(), check_name);
  return std::move(grid.cube_array);
}

// Whether any step takes differences of the density: a computed gradient or
// Laplacian, or the Hessian of rho*sign(lambda2).
bool differentiates(const RdgSection& s) {
  const RdgPlan& plan = s.plan;
  const bool hessian = plan.rhosign || plan.plot_rhosign || (plan.rdg && plan.rdg_points == RdgPoints::RhosignRange);
  return !s.small_grid() && (plan.compute_gradient || plan.compute_laplacian || hessian);
}

// The differences take each axis as if it were orthogonal to the others (and
// the statistics' cell volume is h1 h2 h3): a grid whose axes are not gets one
// warning line, on the console and in the report.
void warn_non_orthogonal_axes(RdgSection& s) {
  if (!differentiates(s)) return;
  const std::optional<std::array<int, 2>> pair = non_orthogonal_axes(s.rho());
  if (!pair) return;
  const std::string text = "WARNING!the axes " + std::to_string((*pair)[0]) + " and " + std::to_string((*pair)[1]) +
                           " of the density cube file " + trimmed(s.iv().rhocube_inp) +
                           " are not orthogonal: derivatives and cell volumes are taken as for orthogonal axes";
  s.run.console_line(text);
  s.run.report_line(text);
}

// A computed gradient is 0 on the two outer layers, where the differences are
// not defined: the RDG there would be 0 and is left out instead, like every
// unselected point.
void leave_out_border(RdgSection& s) {
  if (s.gradient_computed) set_border(s.rho(), s.rdg_array, kRdgUnselected);
}

// The gradient magnitude, read, or computed and written.
void obtain_gradient(RdgSection& s) {
  const InputVariables& iv = s.iv();
  if (s.plan.read_gradient)
    s.grad_array = read_derivative(s, iv.gradcube_inp, iv.gradgrd_inp, GridRole::Gradient, "gradient ");
  if (s.plan.compute_gradient && !s.small_grid()) {
    release(s.grad_array);
    s.reserve_grids(1);
    numerical_gradient(s.rho(), s.grad_array);
    s.gradient_computed = true;
    OutputFile file(s.run, std::string(rdg_output::kNumericalGradient));
    s.write_cube(file, s.grad_array);
  }
}

// The Laplacian, read, or computed and written.
void obtain_laplacian(RdgSection& s) {
  const InputVariables& iv = s.iv();
  if (s.plan.read_laplacian)
    s.lapl_array = read_derivative(s, iv.laplcube_inp, iv.laplgrd_inp, GridRole::Laplacian, "laplacian");
  if (s.plan.compute_laplacian && !s.small_grid()) {
    release(s.lapl_array);
    s.reserve_grids(1);
    numerical_laplacian(s.rho(), s.lapl_array);
    s.laplacian_computed = true;
    OutputFile file(s.run, std::string(rdg_output::kNumericalLaplacian));
    s.write_cube(file, s.lapl_array);
    // The energies compute it again, the same, rather than hold it until then.
    release(s.lapl_array);
  }
  // Only the Abramov energies read the Laplacian.
  if (!s.plan.energies) release(s.lapl_array);
}

// The reduced density gradient at the points of the plan's rule,
// written as a cube (and a grd file). The rhosi rule first builds
// rho*sign(lambda2) at every point.
void build_rdg(RdgSection& s) {
  const RdgPlan& plan = s.plan;
  if (!plan.rdg) return;
  if (!has_gradient(s)) {
    skip_line(s.run, "RDG", "gradient", plan.compute_gradient && s.small_grid());
    return;
  }
  if (plan.rdg_points == RdgPoints::RhosignRange && s.small_grid()) {
    skip_line(s.run, "RDG", "rho*sign(lambda2)", true);
    return;
  }
  const InputVariables& iv = s.iv();
  OutputFile cube(s.run, output_name(iv.rdg_outname, rdg_output::kCube));
  std::optional<OutputFile> grd;
  if (plan.xd2()) grd.emplace(s.run, output_name(iv.rdg_outname, rdg_output::kGrd));
  std::span<const double> test = kEveryPoint;
  float lower = -1000.0f, upper = 1000.0f;
  if (plan.rdg_points == RdgPoints::RhoRange) {
    test = s.rho().cube_array;
    lower = plan.rho_lower;
    upper = plan.rho_upper;
  } else if (plan.rdg_points == RdgPoints::RhosignRange) {
    s.reserve_grids(1);
    rhosign_calc(s.rho(), kEveryPoint, s.rhosign.values);
    s.rhosign.points = RhosignGrid::Points::EveryPoint;
    test = s.rhosign.values;
    lower = plan.rho_lower;
    upper = plan.rho_upper;
  }
  s.reserve_grids(1);
  rdg_calc(s.rho(), gradient(s), test, plan.rdg_tolerance, lower, upper, plan.space_mode, s.rdg_array);
  leave_out_border(s);
  const bool every_point = plan.rdg_points == RdgPoints::All && plan.space_mode == SpaceMode::None;
  s.rdg = every_point ? RdgHolds::EveryPoint : RdgHolds::SelectedPoints;
  s.write_cube(cube, s.rdg_array);
  if (grd) s.write_grd(*grd, s.rdg_array);
}

// rho*sign(lambda2) rebuilt in cube units, at the points of `mask` (kEveryPoint
// or the RDG's selection).
void rebuild_rhosign(RdgSection& s, std::span<const double> mask, RhosignGrid::Points points) {
  release(s.rhosign.values);
  std::vector<std::int8_t>().swap(s.rhosign.signs);
  s.reserve_grids(1);
  rhosign_calc(s.rho(), mask, s.rhosign.values);
  s.rhosign.points = points;
  s.rhosign.grd_units = false;
}

// Converts the grid to electrons per cubic angstrom for its grd file; the
// plot and the statistics see the converted values unless they rebuild it.
void convert_rhosign_to_grd_units(RhosignGrid& rhosign) {
  if (rhosign.grd_units) throw std::logic_error("rho*sign(lambda2) converted to grd units twice");
  to_grd_density_units(rhosign.values);
  rhosign.grd_units = true;
}

// rho*sign(lambda2) written as a cube (and a grd file), with a viewer
// script when the RDG cube was written too. On a grid too small for the
// Hessian nothing is computed or written (the report's summary carries that
// warning).
void build_rhosign(RdgSection& s) {
  const RdgPlan& plan = s.plan;
  if (!plan.rhosign || s.small_grid()) return;
  const InputVariables& iv = s.iv();
  OutputFile cube(s.run, output_name(iv.rhosign_outname, rdg_output::kCube));
  std::optional<OutputFile> grd;
  if (plan.xd2()) grd.emplace(s.run, output_name(iv.rhosign_outname, rdg_output::kGrd));
  if (plan.rhosign_on_rdg_points && s.rdg != RdgHolds::Nothing) {
    rebuild_rhosign(s, s.rdg_array, RhosignGrid::Points::RdgPoints);
  } else if (s.rhosign.points != RhosignGrid::Points::EveryPoint) {
    // RDG_p while no RDG was computed falls back to every point; a grid the
    // rhosi rule built at every point is used as it stands.
    rebuild_rhosign(s, kEveryPoint, RhosignGrid::Points::EveryPoint);
  }
  s.write_cube(cube, s.rhosign.values);
  if (grd) {
    convert_rhosign_to_grd_units(s.rhosign);
    s.write_grd(*grd, s.rhosign.values);
  }
  // With both cubes written, a viewer script shows the RDG isosurface
  // coloured by rho*sign(lambda2); named after the RDG output.
  if (s.rdg != RdgHolds::Nothing) {
    OutputFile script(s.run, output_name(iv.rdg_outname, rdg_output::kVmdScript));
    vmd_script(script.stream(), relative_to_script(script.name(), output_name(iv.rdg_outname, rdg_output::kCube)),
               relative_to_script(script.name(), output_name(iv.rhosign_outname, rdg_output::kCube)));
    script.commit();
  }
}

// Whether the rho*sign(lambda2) plot uses the grid as it stands (in XD2 mode
// possibly converted to electrons per cubic angstrom already) rather than
// rebuilding it at every point.
bool plot_keeps_rhosign(const RdgSection& s) {
  return s.plan.plot_takes_rhosign_as_built && s.rhosign.points == RhosignGrid::Points::EveryPoint;
}

// Every value of rho*sign(lambda2) in cube units is the density at its
// point, the density negated, or 0 (+0.0) where it was not computed: one sign
// per point keeps it between its files and its later readers. A grid that
// would not decode to the same bits (one in grd units) stays as it is.
void compact_rhosign(RdgSection& s) {
  RhosignGrid& g = s.rhosign;
  const std::span<const double> rho = s.rho().cube_array;
  if (g.values.size() != rho.size() || g.grd_units) return;
  check_allocation(rho.size(), 1);
  std::vector<std::int8_t> signs(rho.size());
  const double* v = g.values.data();
  const double* r = rho.data();
  std::int8_t* out = signs.data();
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(rho.size());
  bool decodes = true;
  TESSARO_OMP(omp parallel for schedule(static) reduction(&& : decodes))
  for (std::ptrdiff_t p = 0; p < n; ++p) {
    const double plus = r[p], minus = -r[p], zero = 0.0;
    if (std::memcmp(&v[p], &plus, sizeof plus) == 0) {
      out[p] = 1;
    } else if (std::memcmp(&v[p], &minus, sizeof minus) == 0) {
      out[p] = -1;
    } else {
      out[p] = 0;
      decodes = decodes && std::memcmp(&v[p], &zero, sizeof zero) == 0;
    }
  }
  if (!decodes) return;
  g.signs = std::move(signs);
  release(g.values);
}

// The values again from their signs.
void expand_rhosign(RdgSection& s) {
  RhosignGrid& g = s.rhosign;
  if (g.signs.empty()) return;
  s.reserve_grids(1);
  const std::span<const double> rho = s.rho().cube_array;
  g.values.assign(rho.size(), 0.0);
  double* v = g.values.data();
  const double* r = rho.data();
  const std::int8_t* sign = g.signs.data();
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(rho.size());
  TESSARO_OMP(omp parallel for schedule(static))
  for (std::ptrdiff_t p = 0; p < n; ++p) v[p] = sign[p] > 0 ? r[p] : sign[p] < 0 ? -r[p] : 0.0;
  std::vector<std::int8_t>().swap(g.signs);
}

// Once built and written, rho*sign(lambda2) is read only by the statistics
// and the rho*sign(lambda2) plot.
void release_rhosign_unless_read_later(RdgSection& s) {
  if (!(s.plan.rdg && s.plan.rhosign) && !(s.plan.plot_rhosign && plot_keeps_rhosign(s))) {
    release(s.rhosign.values);
    s.rhosign.points = RhosignGrid::Points::None;
  } else {
    compact_rhosign(s);
  }
}

// The Abramov energy densities, written as cubes (and grd files) in
// the order G, V, H. All six files are created before anything is computed.
void build_energies(RdgSection& s) {
  const RdgPlan& plan = s.plan;
  if (!plan.energies) return;
  if (!has_gradient(s)) {
    skip_line(s.run, "ABRAMOV ENERGY", "gradient", plan.compute_gradient && s.small_grid());
    return;
  }
  if (s.lapl_array.empty() && !s.laplacian_computed) {
    skip_line(s.run, "ABRAMOV ENERGY", "laplacian", plan.compute_laplacian && s.small_grid());
    return;
  }
  const std::string& base = s.iv().e_outname;
  OutputFile g_cube(s.run, output_name(base, rdg_output::kKineticCube)),
      v_cube(s.run, output_name(base, rdg_output::kPotentialCube)),
      h_cube(s.run, output_name(base, rdg_output::kTotalCube));
  std::optional<OutputFile> g_grd, v_grd, h_grd;
  if (plan.xd2()) {
    g_grd.emplace(s.run, output_name(base, rdg_output::kKineticGrd));
    v_grd.emplace(s.run, output_name(base, rdg_output::kPotentialGrd));
    h_grd.emplace(s.run, output_name(base, rdg_output::kTotalGrd));
  }
  // RDG_p while no RDG was computed falls back to every point.
  const std::span<const double> mask =
      plan.energies_on_rdg_points && s.rdg != RdgHolds::Nothing ? std::span<const double>(s.rdg_array) : kEveryPoint;
  if (s.laplacian_computed) {
    s.reserve_grids(1);
    numerical_laplacian(s.rho(), s.lapl_array);
  }
  // A computed gradient or Laplacian is 0 on the two outer layers; the
  // energies there would come from the density alone and are 0 instead, as
  // rho*sign(lambda2) is.
  const bool border = s.gradient_computed || s.laplacian_computed;
  // The statistics read the RDG grid as it stands after the plots: unless a
  // plot rebuilds it, their sums can be formed now, and each energy grid
  // gives way to the next once written. The grd files follow all three
  // cubes, so they keep the three grids.
  const bool statistics_later = plan.rdg && s.rdg != RdgHolds::Nothing;
  const bool plot_rebuilds_rdg = (plan.plot_rho || plan.plot_rhosign) && s.rdg == RdgHolds::SelectedPoints;
  if (!plan.xd2() && !(statistics_later && plot_rebuilds_rdg)) {
    s.reserve_grids(1);
    if (s.grad_array.empty()) {
      // The gradient computed again in the grid that G then takes over.
      numerical_gradient(s.rho(), s.gabr);
      abramov_kinetic(s.rho().cube_array, s.gabr, s.lapl_array, mask, s.gabr);
    } else {
      s.gabr.assign(s.rho().size(), 0.0);
      abramov_kinetic(s.rho().cube_array, s.grad_array, s.lapl_array, mask, s.gabr);
    }
    if (border) set_border(s.rho(), s.gabr, 0.0);
    s.write_cube(g_cube, s.gabr);
    std::vector<double>& vabr = s.lapl_array;
    abramov_potential(s.rho().cube_array, mask, s.gabr, vabr);
    if (border) set_border(s.rho(), vabr, 0.0);
    s.write_cube(v_cube, vabr);
    if (statistics_later) {
      s.energy_sums.emplace();
      s.energy_sums->g = isosurface_sums(s.rdg_array, s.gabr);
      s.energy_sums->v = isosurface_sums(s.rdg_array, vabr);
    }
    std::vector<double>& habr = s.gabr;
    abramov_total(habr, vabr);
    release(s.lapl_array);
    s.write_cube(h_cube, habr);
    if (statistics_later) s.energy_sums->h = isosurface_sums(s.rdg_array, habr);
    release(s.gabr);
    return;
  }
  gradient(s);
  s.reserve_grids(3);
  abramov_calc(s.rho().cube_array, s.grad_array, s.lapl_array, mask, s.gabr, s.vabr, s.habr);
  if (border) {
    set_border(s.rho(), s.gabr, 0.0);
    set_border(s.rho(), s.vabr, 0.0);
    set_border(s.rho(), s.habr, 0.0);
  }
  release(s.lapl_array);
  s.write_cube(g_cube, s.gabr);
  s.write_cube(v_cube, s.vabr);
  s.write_cube(h_cube, s.habr);
  if (plan.xd2()) {
    s.write_grd(*g_grd, s.gabr);
    s.write_grd(*v_grd, s.vabr);
    s.write_grd(*h_grd, s.habr);
  }
}

// Once the energies are written, the gradient is read only by a plot that rebuilds the RDG, the
// energies only by the statistics.
void release_after_energies(RdgSection& s) {
  release(s.lapl_array);
  const bool plots = s.plan.plot_rho || s.plan.plot_rhosign;
  if (!(plots && s.rdg != RdgHolds::EveryPoint)) release(s.grad_array);
  if (!s.plan.rdg) {
    release(s.gabr);
    release(s.vabr);
    release(s.habr);
  }
}

// One plot file and its picture, named after it with ".svg" appended.
void write_plot(RdgSection& s, const std::string& name, std::span<const double> values, SvgPlotKind kind) {
  {
    OutputFile file(s.run, name);
    plot(s.rdg_array, values, s.rho().n1(), s.rho().n2(), s.rho().n3(), file.stream());
    file.commit();
  }
  OutputFile picture(s.run, name + std::string(rdg_output::kPicture));
  plot_svg(s.rdg_array, values, kind, picture.stream());
  picture.commit();
}

// The plot files, the density plot first. The plots need the RDG at
// every point; every rebuild before a plot is the same computation on the
// same grids, so one rebuild serves both, and it replaces the RDG step's grid
// for the statistics too.
void write_plots(RdgSection& s) {
  const RdgPlan& plan = s.plan;
  if (!plan.plot_rho && !plan.plot_rhosign) return;
  if (s.rdg != RdgHolds::EveryPoint && has_gradient(s)) {
    release(s.rdg_array);
    gradient(s);
    s.reserve_grids(1);
    rdg_calc(s.rho(), s.grad_array, kEveryPoint, 1000.0f, -1000.0f, 1000.0f, plan.space_mode, s.rdg_array);
    leave_out_border(s);
    s.rdg = RdgHolds::EveryPoint;
  }
  const bool rdg_ready = s.rdg == RdgHolds::EveryPoint;
  const bool gradient_small_grid = plan.compute_gradient && s.small_grid();
  const std::string plot_name = trimmed(s.iv().plot_name);
  if (plan.plot_rho) {
    if (!rdg_ready) {
      skip_line(s.run, "rho VS RDG PLOT", "gradient", gradient_small_grid);
    } else {
      write_plot(s, std::string(rdg_output::kRhoPlotPrefix) + plot_name, s.rho().cube_array, SvgPlotKind::density);
    }
  }
  if (plan.plot_rhosign) {
    const bool keep = plot_keeps_rhosign(s);
    if (!rdg_ready) {
      skip_line(s.run, "rho*sign(lambda2) VS RDG PLOT", "gradient", gradient_small_grid);
    } else if (!keep && s.small_grid()) {
      skip_line(s.run, "rho*sign(lambda2) VS RDG PLOT", "rho*sign(lambda2)", true);
    } else {
      if (keep) {
        expand_rhosign(s);
      } else {
        rebuild_rhosign(s, kEveryPoint, RhosignGrid::Points::EveryPoint);
      }
      write_plot(s, std::string(rdg_output::kRhosignPlotPrefix) + plot_name, s.rhosign.values, SvgPlotKind::rhosign);
    }
  }
}

// The isosurface statistics, from the grids as they stand after the
// plots; all zero when the RDG was not requested.
void fill_statistics(RdgSection& s, InputVariables& iv) {
  clear_rdg_statistics(iv);
  if (!s.plan.rdg || s.rdg == RdgHolds::Nothing) return;
  std::span<const double> rhosign_used;
  if (s.plan.rhosign) {
    if (s.rhosign.points != RhosignGrid::Points::None) {
      expand_rhosign(s);
      rhosign_used = s.rhosign.values;
    } else {
      skip_line(s.run, "rho*sign(lambda2) ISOSURFACE STATISTICS", "rho*sign(lambda2)", s.small_grid());
    }
  }
  // Energies not computed are empty grids, which the statistics leave at 0.
  if (s.energy_sums) {
    rdg_statistics(s.rho(), s.rdg_array, rhosign_used, &*s.energy_sums, iv);
  } else {
    rdg_statistics(s.rho(), s.rdg_array, rhosign_used, s.gabr, s.vabr, s.habr, iv);
  }
}

}  // namespace

void calc_stuff(Run& run) {
  InputVariables& iv = run.input_variables;
  const RdgPlan plan = rdg_plan(iv);
  // Progress on a terminal, one unit per step of the section.
  Progress progress(run.err(), run.show_progress(), "RDG section", 11);
  RdgSection s(run, plan, read_density(run, plan));
  warn_non_orthogonal_axes(s);
  progress.update(2);
  obtain_gradient(s);
  progress.update(4);
  obtain_laplacian(s);
  progress.update(6);
  build_rdg(s);
  if (s.gradient_computed) release(s.grad_array);
  progress.update(7);
  build_rhosign(s);
  release_rhosign_unless_read_later(s);
  progress.update(8);
  build_energies(s);
  release_after_energies(s);
  progress.update(9);
  write_plots(s);
  release(s.grad_array);
  progress.update(10);
  fill_statistics(s, iv);
  progress.update(11);
  progress.finish();
  // Every grid still held is released here, with the section's grids.
}

}  // namespace tessaro
