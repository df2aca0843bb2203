#include "wavefunction/wfn_prop.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <string>

#include "grid/grid_files.hpp"
#include "run/input_file.hpp"
#include "run/output_file.hpp"
#include "run/output_names.hpp"
#include "run/run.hpp"
#include "run/progress.hpp"
#include "run/run_end.hpp"
#include "run/threads.hpp"
#include "wavefunction/electron_count.hpp"
#include "wavefunction/wfn_box.hpp"
#include "wavefunction/wfn_file.hpp"

namespace tessaro {

namespace {

std::size_t count_of(std::int32_t c) { return c > 0 ? static_cast<std::size_t>(c) : 0; }

void copy_row(const std::vector<double>& row, std::size_t n, std::vector<double>& grid, std::size_t at) {
  std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n), grid.begin() + static_cast<std::ptrdiff_t>(at));
}

// Rows a thread takes at a time.
constexpr std::size_t kRowsPerChunk = 4;

// The properties of the switches on the row whose geometry `row` holds, into
// the grids from index `at` on.
void evaluate_row_into_grids(const WfnVar& v, WfnRow& row, const WfnSwitches& sw, std::size_t at, WfnGrids& grids) {
  const std::size_t n = row.n;
  if (sw.gra || sw.lap || sw.ene)
    moderiv_calc(v, row);
  else
    rho_calc(v, row);
  if (sw.rho) {
    density_row(v, row, row.sumr.data());
    copy_row(row.sumr, n, grids.rho_array_wfn, at);
  }
  if (sw.gra) {
    gradient_row(v, row, row.sumr.data());
    copy_row(row.sumr, n, grids.grad_array_wfn, at);
  }
  if (sw.lap) {
    laplacian_row(v, row, row.sumr.data());
    copy_row(row.sumr, n, grids.lapl_array_wfn, at);
  }
  if (sw.ene) {
    energy_rows(v, row, row.sumr.data(), row.sumr4.data(), row.sumr2.data(), row.sumr3.data());
    copy_row(row.sumr, n, grids.g_array_wfn, at);
    copy_row(row.sumr2, n, grids.v_array_wfn, at);
    copy_row(row.sumr3, n, grids.h_array_wfn, at);
  }
}

// `readwfn`: opens the file named by wfn_inpname and reads it into wfn, as a
// .wfx or a .wfn file. A file that cannot be opened or is rejected gets one
// report line and ends the run with status 1.
void readwfn(Run& run, Wavefunction& wfn) {
  InputFile file(run, run.input_variables.wfn_inpname);
  textio::LineReader& in = file.reader();
  try {
    read_wavefunction_file(in, wfn);
  } catch (const WfnFileRejected& e) {
    run.report_line(std::string(e.what()) + ", program stop");
    end_run(1);
  }
}

// A file whose orbitals do not hold the electrons its occupations count gets
// one warning line; one that checks out adds nothing to the report.
void check_electron_count(Run& run, const Wavefunction& wfn) {
  const double integrated = orbital_electron_count(wfn), occupations = occupation_sum(wfn);
  if (!electron_count_inconsistent(integrated, occupations)) return;
  auto fixed = [](double v) {
    std::string s;
    textio::put_F(s, v, 24, 6);
    return s.substr(std::min(s.find_first_not_of(' '), s.size()));
  };
  run.report_line("WARNING! electron count of " + trimmed(run.input_variables.wfn_inpname) + ": the orbitals hold " +
                  fixed(integrated) + " electrons, the occupations add up to " + fixed(occupations) +
                  ": the coefficients or primitive types of the file look inconsistent (for example a writer with "
                  "another component order)");
}

}  // namespace

std::size_t WfnBox::size() const { return count_of(n[0]) * count_of(n[1]) * count_of(n[2]); }

WfnBox wfn_box(const InputVariables& iv) {
  WfnBox box;
  box.n = {iv.n_puntix, iv.n_puntiy, iv.n_puntiz};
  for (std::size_t a = 0; a < 3; ++a) {
    box.step[a] = iv.orient_matr[a][a];
    // CENTER - ((N - 1.0) x 0.5) x S, each intermediate a single-precision number.
    const float count = static_cast<float>(box.n[a]);
    const float half_span = (count - 1.0f) * 0.5f;
    const float offset = half_span * box.step[a];
    box.origin[a] = iv.centre_wfn[a] - offset;
  }
  return box;
}

WfnSwitches wfn_switches(const InputVariables& iv) {
  WfnSwitches sw;
  sw.rho = iv.wfn_risp[kWfnRhoJob] != 0;
  sw.gra = iv.wfn_risp[kWfnGradientJob] != 0;
  sw.lap = iv.wfn_risp[kWfnLaplacianJob] != 0;
  sw.ene = iv.wfn_risp[kWfnEnergyJob] != 0;
  return sw;
}

WfnRowPositions wfn_row_positions(const WfnBox& box) {
  WfnRowPositions p;
  p.y.resize(count_of(box.n[1]));
  p.z.resize(count_of(box.n[2]));
  const double sy = static_cast<double>(box.step[1]), sz = static_cast<double>(box.step[2]);
  double y = static_cast<double>(box.origin[1]);
  for (double& at : p.y) {
    at = y;
    y = y + sy;
  }
  double z = static_cast<double>(box.origin[2]);
  for (double& at : p.z) {
    at = z;
    z = z + sz;
  }
  return p;
}

void wfn_evaluate_box(WfnVar& v, const WfnBox& box, const WfnSwitches& sw, WfnGrids& grids, Progress* progress) {
  const std::size_t nx = count_of(box.n[0]), ny = count_of(box.n[1]), nz = count_of(box.n[2]);
  // An empty box (a count of 0 or less) has no point: its cubes are headers
  // alone, and nothing is set up for rows, however long the other axes.
  if (nx == 0 || ny == 0 || nz == 0) return;
  const bool derivs = sw.gra || sw.lap || sw.ene;
  const int ngrids = (sw.rho ? 1 : 0) + (sw.gra ? 1 : 0) + (sw.lap ? 1 : 0) + (sw.ene ? 3 : 0);
  // Every grid is checked together before any of them is allocated.
  check_grid_allocation(box.n[0], box.n[1], box.n[2], sizeof(double) * static_cast<std::size_t>(std::max(ngrids, 1)));
  v.setup(nx, derivs, sw.ene);

  // x of every row: in single precision, then widened.
  const float ox = box.origin[0];
  for (std::size_t i = 0; i < nx; ++i) {
    const float xi = static_cast<float>(i) * box.step[0] + ox;
    v.x1[i] = static_cast<double>(xi);
  }
  if (!sw.any()) return;

  const std::size_t total = nx * ny * nz;
  if (sw.rho) grids.rho_array_wfn.assign(total, 0.0);
  if (sw.gra) grids.grad_array_wfn.assign(total, 0.0);
  if (sw.lap) grids.lapl_array_wfn.assign(total, 0.0);
  if (sw.ene) {
    grids.g_array_wfn.assign(total, 0.0);
    grids.v_array_wfn.assign(total, 0.0);
    grids.h_array_wfn.assign(total, 0.0);
  }
  const WfnRowPositions positions = wfn_row_positions(box);
  const std::size_t rows = ny * nz;
  // The other threads' rows, copies of v's made here: an allocation that
  // fails inside the parallel loop could not end the run in order.
  const std::size_t threads = std::min(static_cast<std::size_t>(thread_count()), std::max<std::size_t>(rows, 1));
  std::vector<WfnRow> others(threads - 1, static_cast<const WfnRow&>(v));
  const WfnVar& shared = v;
  TESSARO_OMP(omp parallel num_threads(static_cast<int>(threads)))
  {
    const std::size_t t = static_cast<std::size_t>(thread_index());
    WfnRow& row = t == 0 ? static_cast<WfnRow&>(v) : others[t - 1];
    // A few rows at a time, so that threads that finish early take more.
    TESSARO_OMP(omp for schedule(dynamic, kRowsPerChunk))
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t j = r % ny, k = r / ny;
      std::fill_n(row.x2.begin(), nx, positions.y[j]);
      std::fill_n(row.x3.begin(), nx, positions.z[k]);
      row.update_geometry(shared.wfn);
      evaluate_row_into_grids(shared, row, sw, nx * r, grids);
      if (progress) progress->advance_in_parallel();
    }
  }
}

void wfn_prop(Run& run) {
  const InputVariables& iv = run.input_variables;
  WfnVar v;
  readwfn(run, v.wfn);
  check_electron_count(run, v.wfn);
  run.input_variables.wfn_edf_primitives = static_cast<std::int32_t>(v.wfn.edf_coef.size());

  // Cube atom list: the atomic numbers of a .wfx file, for a .wfn file the
  // nuclear charge truncated toward zero.
  GridData header;
  const std::size_t ncent = static_cast<std::size_t>(v.wfn.ncent);
  header.natoms = v.wfn.ncent;
  header.atoms.resize(ncent);
  for (std::size_t a = 0; a < ncent; ++a) {
    GridAtom& at = header.atoms[a];
    at.num_atomico = v.wfn.atomic_number[a];
    at.charge = static_cast<float>(v.wfn.charg[a]);
    at.x = static_cast<float>(v.wfn.xc[a]);
    at.y = static_cast<float>(v.wfn.yc[a]);
    at.z = static_cast<float>(v.wfn.zc[a]);
  }
  const WfnBox box = wfn_box(iv);
  header.origin = box.origin;
  header.n = box.n;
  header.axis = iv.orient_matr;

  const WfnSwitches sw = wfn_switches(iv);
  WfnGrids grids;
  {
    Progress progress(run.err(), run.show_progress(), "WFN section",
                      static_cast<std::size_t>(std::max(box.n[1], 0)) * static_cast<std::size_t>(std::max(box.n[2], 0)));
    wfn_evaluate_box(v, box, sw, grids, &progress);
    progress.finish();
  }
  if (!sw.any()) return;

  struct Output {
    std::string_view suffix;
    const std::vector<double>* grid;
  };
  // Each group's files are opened together, then written in order: the G, V
  // and H files are all open before the first of them is written.
  std::vector<std::vector<Output>> groups;
  if (sw.rho) groups.push_back({{wfn_output::kRho, &grids.rho_array_wfn}});
  if (sw.gra) groups.push_back({{wfn_output::kGradient, &grids.grad_array_wfn}});
  if (sw.lap) groups.push_back({{wfn_output::kLaplacian, &grids.lapl_array_wfn}});
  if (sw.ene)
    groups.push_back({{wfn_output::kKinetic, &grids.g_array_wfn},
                      {wfn_output::kPotential, &grids.v_array_wfn},
                      {wfn_output::kTotal, &grids.h_array_wfn}});
  for (const std::vector<Output>& group : groups) {
    std::vector<std::unique_ptr<OutputFile>> files;
    for (const Output& o : group) files.push_back(std::make_unique<OutputFile>(run, output_name(iv.wfn_outname, o.suffix)));
    for (std::size_t f = 0; f < group.size(); ++f) {
      cube_writing(files[f]->stream(), header, std::span<const double>(*group[f].grid));
      files[f]->commit();
    }
  }
}

}  // namespace tessaro
