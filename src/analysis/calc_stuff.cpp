#include "analysis/calc_stuff.hpp"

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/plot.hpp"
#include "analysis/plot_svg.hpp"
#include "analysis/rdg_kernels.hpp"
#include "analysis/statistics.hpp"
#include "analysis/vmd_script.hpp"
#include "grid/grid_files.hpp"
#include "run/input_file.hpp"
#include "run/run.hpp"
#include "run/output_names.hpp"
#include "run/output_file.hpp"
#include "run/progress.hpp"
#include "run/run_end.hpp"
#include "textio/textio.hpp"

namespace tessaro {

namespace {

// Reads one grid of the given role from its cube file (and, with XD2006
// input, its grd file).
// A header the reader rejects ends the run with one line in the report and on
// the console.
GridFile read_grid(Run& run, const std::string& cube_name, const std::string& grd_name, GridRole role,
                   InputFormat format) {
  InputFile cube(run, cube_name);
  std::optional<InputFile> grd;
  if (format == InputFormat::XD2) grd.emplace(run, grd_name);
  try {
    return cube_in_array(cube.reader(), role, format, grd ? &grd->reader() : nullptr);
  } catch (const GridFileRejected& e) {
    const std::string text = std::string(e.what()) + ", PROGRAM STOP";
    run.report_line(text);
    run.console_line(text);
    run.flush();
    end_run(1);
  }
}

void release(std::vector<double>& grid) { std::vector<double>().swap(grid); }

// Why a grid that a job needs is missing.
std::string missing_reason(bool small_grid) {
  return small_grid ? " (the grid has less than 5 points in one of the three directions)"
                    : " (neither read nor calculated)";
}

void skip_line(Run& run, const char* job, const char* grid, bool small_grid) {
  run.report_line(std::string(job) + " SKIPPED: no " + grid + " grid" + missing_reason(small_grid));
}

enum class RdgPoints { All, RhoRange, RhosignRange };

// The picture of a plot file, named after it with ".svg" appended.
void write_picture(Run& run, const std::string& plot_name, std::span<const double> rdg,
                   std::span<const double> values, SvgPlotKind kind) {
  OutputFile file(run, plot_name + ".svg");
  plot_svg(rdg, values, kind, file.stream());
  file.commit();
}

}  // namespace

void calc_stuff(Run& run) {
  InputVariables& iv = run.input_variables;

  // With no format marked on the INPUT line the grids are read as general
  // cube files.
  const InputFormat format = iv.inprdg_risp[0] ? InputFormat::XD2
                             : iv.inprdg_risp[1] ? InputFormat::GAU
                                                 : InputFormat::CUB;
  const bool xd2 = format == InputFormat::XD2;
  const bool want_rdg = iv.calc_risp[0] != 0;
  const bool want_rhosign = iv.calc_risp[1] != 0;
  const bool want_abr = iv.calc_risp[2] != 0;
  const bool want_plot = iv.calc_risp[3] != 0;

  // The RDG with no point choice marked is taken at every point, as all_p.
  const RdgPoints rdg_points = iv.rdg_risp[0]   ? RdgPoints::All
                               : iv.rdg_risp[1] ? RdgPoints::RhoRange
                               : iv.rdg_risp[2] ? RdgPoints::RhosignRange
                                                : RdgPoints::All;
  // No space cutoff marked is taken as none, for the RDG and the plot rebuilds.
  const SpaceMode space_mode = iv.rdg_rispace[1]   ? SpaceMode::Atom
                               : iv.rdg_rispace[2] ? SpaceMode::Exte
                                                   : SpaceMode::None;
  const float rdg_tolerance = space_mode == SpaceMode::None ? 1000.0f : iv.spacecutoff;

  // Progress on a terminal, one unit per step of the section.
  Progress progress(run.err(), run.show_progress(), "RDG section", 11);
  // Step 1: the density grid.
  GridFile density = read_grid(run, iv.rhocube_inp, iv.rhogrd_inp, GridRole::Density, format);
  const GridData& rho = density.grid;
  const std::vector<std::string>& grd_intestaz = density.grd_intestaz;
  const std::int32_t n1 = rho.n[0], n2 = rho.n[1], n3 = rho.n[2];
  // Five-point stencils need two neighbours on each side of a point.
  const bool small_grid = n1 < 5 || n2 < 5 || n3 < 5;
  // Step 2: the zero grid passes every mask test; it is a rule (an empty
  // mask span), not a stored array.
  const std::span<const double> every_point;

  auto write_cube = [&](const std::string& name, std::span<const double> values) {
    OutputFile file(run, name);
    cube_writing(file.stream(), rho, values);
    file.commit();
  };
  auto reserve_grids = [&](std::size_t grids) {
    check_grid_allocation(n1, n2, n3, sizeof(double) * grids);
  };

  progress.update(2);
  // Steps 3 and 4: the gradient magnitude.
  std::vector<double> grad_array;
  bool have_grad = false;
  if (iv.grad_read) {
    GridData grid = read_grid(run, iv.gradcube_inp, iv.gradgrd_inp, GridRole::Gradient, format).grid;
    check_cube(run, grid, rho, "gradient ");
    grad_array = std::move(grid.cube_array);
    have_grad = true;
  }
  if (iv.grad_calc && !small_grid) {
    release(grad_array);
    reserve_grids(1);
    numerical_gradient(rho, grad_array);
    have_grad = true;
    write_cube(std::string(rdg_output::kNumericalGradient), grad_array);
  }

  progress.update(4);
  // Steps 5 and 6: the Laplacian.
  std::vector<double> lapl_array;
  bool have_lapl = false;
  // With both calc and read marked the template's Laplacian file names are
  // never read (they belong to the reading choice alone), so there is no file
  // to open: the Laplacian is computed.
  if (iv.lapl_read && !iv.lapl_calc) {
    GridData grid = read_grid(run, iv.laplcube_inp, iv.laplgrd_inp, GridRole::Laplacian, format).grid;
    check_cube(run, grid, rho, "laplacian");
    lapl_array = std::move(grid.cube_array);
    have_lapl = true;
  }
  if (iv.lapl_calc && !small_grid) {
    release(lapl_array);
    reserve_grids(1);
    numerical_laplacian(rho, lapl_array);
    have_lapl = true;
    write_cube(std::string(rdg_output::kNumericalLaplacian), lapl_array);
  }
  // Only the Abramov energies read the Laplacian.
  if (!want_abr) release(lapl_array);

  std::vector<double> rdg_array;
  bool have_rdg = false;
  bool rdg_every_point = false;  // built with all_p and no space cutoff

  std::vector<double> rhosign_array;
  bool have_rhosign = false;
  bool rhosign_every_point = false;  // built with the every-point mask
  bool rhosign_from_rdg_step = false;

  progress.update(6);
  // Step 7: the reduced density gradient.
  if (want_rdg) {
    if (!have_grad) {
      skip_line(run, "RDG", "gradient", iv.grad_calc && small_grid);
    } else if (rdg_points == RdgPoints::RhosignRange && small_grid) {
      skip_line(run, "RDG", "rho*sign(lambda2)", true);
    } else {
      const std::string base = trimmed(iv.rdg_outname);
      OutputFile cube(run, base + ".cube");
      std::optional<OutputFile> grd;
      if (xd2) grd.emplace(run, base + ".grd");
      std::span<const double> test = every_point;
      float lower = -1000.0f, upper = 1000.0f;
      if (rdg_points == RdgPoints::RhoRange) {
        test = rho.cube_array;
        lower = iv.rhocutoff[0];
        upper = iv.rhocutoff[1];
      } else if (rdg_points == RdgPoints::RhosignRange) {
        reserve_grids(1);
        rhosign_calc(rho, every_point, rhosign_array);
        have_rhosign = rhosign_every_point = rhosign_from_rdg_step = true;
        test = rhosign_array;
        lower = iv.rhocutoff[0];
        upper = iv.rhocutoff[1];
      }
      reserve_grids(1);
      rdg_calc(rho, grad_array, test, rdg_tolerance, lower, upper, space_mode, rdg_array);
      have_rdg = true;
      rdg_every_point = rdg_points == RdgPoints::All && space_mode == SpaceMode::None;
      cube_writing(cube.stream(), rho, rdg_array);
      cube.commit();
      if (grd) {
        grd_writing(grd->stream(), rdg_array, rho.natoms, n1, n2, n3, grd_intestaz);
        grd->commit();
      }
    }
  }

  progress.update(7);
  // Step 8: rho*sign(lambda2). On a grid too small for the Hessian nothing is
  // computed or written (the report's summary carries that warning).
  if (want_rhosign && !small_grid) {
    const std::string base = trimmed(iv.rhosign_outname);
    OutputFile cube(run, base + ".cube");
    std::optional<OutputFile> grd;
    if (xd2) grd.emplace(run, base + ".grd");
    if (iv.rhosign_points && have_rdg) {
      reserve_grids(1);
      release(rhosign_array);
      rhosign_calc(rho, rdg_array, rhosign_array);
      rhosign_every_point = false;
    } else if (!(have_rhosign && rhosign_every_point)) {
      // RDG_p while no RDG was computed falls back to every point.
      reserve_grids(1);
      release(rhosign_array);
      rhosign_calc(rho, every_point, rhosign_array);
      rhosign_every_point = true;
    }
    have_rhosign = true;
    cube_writing(cube.stream(), rho, rhosign_array);
    cube.commit();
    if (grd) {
      // Writing the grd file converts the array in place to electrons per
      // cubic angstrom; the plot and the statistics below see those values.
      to_grd_density_units(rhosign_array);
      grd_writing(grd->stream(), rhosign_array, rho.natoms, n1, n2, n3, grd_intestaz);
      grd->commit();
    }
    // With both cubes written, a viewer script shows the RDG isosurface
    // coloured by rho*sign(lambda2); named after the RDG output.
    if (have_rdg) {
      const std::string rdg_base = trimmed(iv.rdg_outname);
      OutputFile script(run, rdg_base + ".vmd");
      vmd_script(script.stream(), rdg_base + ".cube", base + ".cube");
      script.commit();
    }
  }

  const bool plot_rho = want_plot && iv.duedplot[0] != 0;
  const bool plot_rhosign = want_plot && iv.duedplot[1] != 0;
  // The rho*sign(lambda2) plot uses the array as it stands when it already
  // holds every point (from step 8 without RDG_p, or from the RDG's rhosi
  // choice), in XD2 mode possibly converted to electrons per cubic angstrom
  // already; otherwise it rebuilds it.
  auto plot_keeps_rhosign = [&] {
    return have_rhosign && rhosign_every_point && ((want_rhosign && !iv.rhosign_points) || rhosign_from_rdg_step);
  };
  // Past this point only the statistics and that plot read rho*sign(lambda2).
  if (!(want_rdg && want_rhosign) && !(plot_rhosign && plot_keeps_rhosign())) {
    release(rhosign_array);
    have_rhosign = false;
  }

  progress.update(8);
  // Step 9: the Abramov energy densities.
  std::vector<double> gabr, vabr, habr;
  bool have_abr = false;
  if (want_abr) {
    if (!have_grad) {
      skip_line(run, "ABRAMOV ENERGY", "gradient", iv.grad_calc && small_grid);
    } else if (!have_lapl) {
      skip_line(run, "ABRAMOV ENERGY", "laplacian", iv.lapl_calc && small_grid);
    } else {
      const std::string base = trimmed(iv.e_outname);
      OutputFile g_cube(run, base + "_Gabr.cube"), v_cube(run, base + "_Vabr.cube"), h_cube(run, base + "_Habr.cube");
      std::optional<OutputFile> g_grd, v_grd, h_grd;
      if (xd2) {
        g_grd.emplace(run, base + "_Gabr.grd");
        v_grd.emplace(run, base + "_Vabr.grd");
        h_grd.emplace(run, base + "_Habr.grd");
      }
      // RDG_p while no RDG was computed falls back to every point.
      const std::span<const double> mask = iv.e_points && have_rdg ? std::span<const double>(rdg_array) : every_point;
      reserve_grids(3);
      abramov_calc(rho.cube_array, grad_array, lapl_array, mask, gabr, vabr, habr);
      have_abr = true;
      release(lapl_array);
      cube_writing(g_cube.stream(), rho, gabr);
      g_cube.commit();
      cube_writing(v_cube.stream(), rho, vabr);
      v_cube.commit();
      cube_writing(h_cube.stream(), rho, habr);
      h_cube.commit();
      if (xd2) {
        grd_writing(g_grd->stream(), gabr, rho.natoms, n1, n2, n3, grd_intestaz);
        g_grd->commit();
        grd_writing(v_grd->stream(), vabr, rho.natoms, n1, n2, n3, grd_intestaz);
        v_grd->commit();
        grd_writing(h_grd->stream(), habr, rho.natoms, n1, n2, n3, grd_intestaz);
        h_grd->commit();
      }
    }
  }
  release(lapl_array);
  // Only a plot that rebuilds the RDG reads the gradient later.
  if (!((plot_rho || plot_rhosign) && !(have_rdg && rdg_every_point))) {
    release(grad_array);
    have_grad = false;
  }
  // The statistics are the energies' only later use.
  if (!want_rdg) {
    release(gabr);
    release(vabr);
    release(habr);
  }

  progress.update(9);
  // Step 10: the plot files.
  if (plot_rho || plot_rhosign) {
    // The plots need the RDG at every point. Every rebuild before a plot is
    // the same computation on the same grids, so one rebuild serves both.
    bool plot_rdg_ready = have_rdg && rdg_every_point;
    if (!plot_rdg_ready && have_grad) {
      release(rdg_array);
      reserve_grids(1);
      rdg_calc(rho, grad_array, every_point, 1000.0f, -1000.0f, 1000.0f, space_mode, rdg_array);
      have_rdg = rdg_every_point = plot_rdg_ready = true;
    }
    if (plot_rho) {
      if (!plot_rdg_ready) {
        skip_line(run, "rho VS RDG PLOT", "gradient", iv.grad_calc && small_grid);
      } else {
        const std::string name = "rho" + trimmed(iv.plot_name);
        OutputFile file(run, name);
        plot(rdg_array, rho.cube_array, rho.n1(), rho.n2(), rho.n3(), file.stream());
        file.commit();
        write_picture(run, name, rdg_array, rho.cube_array, SvgPlotKind::density);
      }
    }
    if (plot_rhosign) {
      const bool keep = plot_keeps_rhosign();
      if (!plot_rdg_ready) {
        skip_line(run, "rho*sign(lambda2) VS RDG PLOT", "gradient", iv.grad_calc && small_grid);
      } else if (!keep && small_grid) {
        skip_line(run, "rho*sign(lambda2) VS RDG PLOT", "rho*sign(lambda2)", true);
      } else {
        if (!keep) {
          release(rhosign_array);
          reserve_grids(1);
          rhosign_calc(rho, every_point, rhosign_array);
          have_rhosign = rhosign_every_point = true;
        }
        const std::string name = "rhosign" + trimmed(iv.plot_name);
        OutputFile file(run, name);
        plot(rdg_array, rhosign_array, rho.n1(), rho.n2(), rho.n3(), file.stream());
        file.commit();
        write_picture(run, name, rdg_array, rhosign_array, SvgPlotKind::rhosign);
      }
    }
  }
  release(grad_array);

  progress.update(10);
  // Step 11: the isosurface statistics, from the grids as they stand after
  // the plots.
  clear_rdg_statistics(iv);
  if (want_rdg && have_rdg) {
    std::span<const double> rhosign_used;
    if (want_rhosign) {
      if (have_rhosign) {
        rhosign_used = rhosign_array;
      } else {
        skip_line(run, "rho*sign(lambda2) ISOSURFACE STATISTICS", "rho*sign(lambda2)", small_grid);
      }
    }
    std::span<const double> g, v, h;
    if (have_abr) {
      g = gabr;
      v = vabr;
      h = habr;
    }
    rdg_statistics(rho, rdg_array, rhosign_used, g, v, h, iv);
  }
  progress.update(11);
  progress.finish();
  // Step 12: every grid is released when it goes out of scope here.
}

}  // namespace tessaro
