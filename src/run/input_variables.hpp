#pragma once
// The run settings, filled once by the input reader, plus the state the RDG
// section hands to the report (the isosurface statistics).
//
// Arrays of the template's option lines are 0-based here: element 0 is the
// first option of its line. Text fields have fixed lengths and are held padded
// with blanks to exactly that length (a name shorter than its field is
// followed by blanks; an unset field is all blanks).
//
// Glossary. The fields keep their short, partly Italian names (risp: the
// answers of one option line, punti: points, intestaz: header), and the table
// below gives each its meaning and its template keyword, so that a search from
// a keyword leads to its field and on to every use. "_inp" marks a file read,
// "_outname" the base name of files written.
// Readers: driver (src/main), WFN (src/wavefunction), TOP (src/topond), RDG
// (src/analysis and the grid readers it calls), report (src/report); the input
// reader writes every field but the last block.
//
// name               meaning                                           keyword                  read by
// -----------------  ------------------------------------------------  -----------------------  ------------------
// report_name        the report file                                   OUTPUT_FILE_NAME         input reader
// inp1_risp          sections switched on: WFN, TOP, RDG               SECTIONS                 driver
// wfn_inpname        the wavefunction (.wfn) file                      INPUT (WFN)              WFN, report
// wfn_outname        base name of the cubes the WFN section writes     OUTPUT (WFN)             WFN, report
// wfn_risp           quantities: density, gradient, Laplacian, G/V/H   CALCULATING (WFN)        WFN, report
// centre_wfn         centre of the box grid, x y z (bohr)              CENTER                   WFN
// n_puntix/y/z       numbers of box points along x, y, z               N_POINTS_X/Y/Z           WFN, report, RDG
//                                                                                               (grid-size message)
// orient_matr        step vectors of the box, one row per axis;        STEPSIZE_X/Y/Z           WFN, report
//                    only the diagonal is ever set
// n_grid             number of TOPOND grids to convert (first 3 read)  N_OF_GRIDS               TOP, report
// grd_top_name1..3   the TOPOND grid files                             GRID_FILE_NAME           TOP, report
// cubeout1..3        base names of the cubes written from them         CUBE_NAME(OUTPUT)        TOP, report
// crys_out           CRYSTAL output that supplies atoms and lattice    CRYSTAL_OUTPUT_NAME      TOP, report
// n_symm             number of symmetry operations                     N_OF_SYMM_OPERATIONS     TOP, report
// symm_op, transl    rotation and translation parts of the operations  SYMM                     TOP, report
// inprdg_risp        grid format read: XD2 (grd + cube), GAU, CUB      INPUT (RDG)              RDG, report
// calc_risp          jobs: RDG, rho*sign(lambda2), Abramov, plots      CALCULATING (RDG)        RDG, report
// rhocube_inp        the density cube                                  RHO_INPUT_CUBE           RDG, report
// rhogrd_inp         the density grd (XD2 only)                        RHO_INPUT_GRD(XD only)   RDG, report
// grad_calc/_read    gradient computed from the density / read         GRAD=                    RDG, report
// gradcube_inp       the gradient cube (read only)                     GRAD_INPUT_CUBE          RDG, report
// gradgrd_inp        the gradient grd (read and XD2)                   GRAD_INPUT_GRD(XD only)  RDG, report
// lapl_calc/_read    Laplacian computed / read                         LAPL=                    RDG, report
// laplcube_inp       the Laplacian cube (unless computed)              LAPL_INPUT_CUBE          RDG, report
// laplgrd_inp        the Laplacian grd (unless computed, and XD2)      LAPL_INPUT_GRD(XD only)  RDG, report
// rdg_risp           RDG points: all, density in range, rho*sign in    RDG_CALCULATION          RDG, report
//                    range
// rhocutoff          lower and upper bound of that range               LOWER_VALUE, UPPER_VALUE RDG, report
// rdg_outname        base name of the RDG cube (and grd)               RDG_OUTPUT               RDG, report
// rdg_rispace        space cutoff: none, near an atom, inside the      SPACE_CUTOFF             RDG, report
//                    outermost atoms
// spacecutoff        distance of the space cutoff (bohr)               TOLERANCE                RDG, report
// rhosign_points     rho*sign(lambda2) only at the RDG points          RHO_SIGN_CALCULATION     RDG, report
// rhosign_outname    base name of the rho*sign(lambda2) cube (and grd) RHO_SIGN_OUTPUT          RDG, report
// e_points           Abramov energies only at the RDG points           ENERGY_CALCULATION       RDG, report
// e_outname          base name of the Abramov cubes (and grds)         ENERGY_OUTPUT            RDG, report
// duedplot           plots: RDG vs density, RDG vs rho*sign(lambda2)   2DPLOT                   RDG
// plot_name          the plot files' name, after "rho" / "rhosign"     PLOT_NAME                RDG, report
// n01, vol01         points and volume below each RDG threshold        (written by RDG)         report
// rho01, rhosi01,    rho, rho*sign(lambda2), G, V, H integrated over   (written by RDG)         report
// g01, v01, h01      those points
// grd_intestaz       header lines of the density grd, for every grd    (written by RDG)         RDG
//                    written
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaro {

// Positions in the option arrays: one per option of its template line, in
// the line's order, so that `iv.calc_risp[kAbramovJob]` reads as the option.
// inp1_risp (SECTIONS)
inline constexpr std::size_t kWfnSection = 0, kTopSection = 1, kRdgSection = 2;
// wfn_risp (WFN JOBS)
inline constexpr std::size_t kWfnRhoJob = 0, kWfnGradientJob = 1, kWfnLaplacianJob = 2, kWfnEnergyJob = 3;
// inprdg_risp (RDG INPUT format)
inline constexpr std::size_t kXd2Format = 0, kGauFormat = 1, kCubFormat = 2;
// calc_risp (RDG JOBS)
inline constexpr std::size_t kRdgJob = 0, kRhosignJob = 1, kAbramovJob = 2, kPlotJob = 3;
// rdg_risp (RDG_CALCULATION point rule)
inline constexpr std::size_t kAllPointsRule = 0, kRhoRangeRule = 1, kRhosignRangeRule = 2;
// rdg_rispace (SPACE_CUTOFF)
inline constexpr std::size_t kNoSpaceCutoff = 0, kAtomSpaceCutoff = 1, kExteSpaceCutoff = 2;
// duedplot (2DPLOT)
inline constexpr std::size_t kRhoPlot = 0, kRhosignPlot = 1;

inline std::string blank_text(std::size_t length) { return std::string(length, ' '); }

struct InputVariables {
  // Frame
  std::string report_name = blank_text(30);
  std::array<std::int32_t, 3> inp1_risp{};  // WFN, TOP, RDG

  // WFN section
  std::string wfn_inpname = blank_text(33);
  std::string wfn_outname = blank_text(33);
  std::array<std::int32_t, 4> wfn_risp{};  // rho, gra, lap, ene
  std::array<float, 3> centre_wfn{};
  std::int32_t n_puntix = 0, n_puntiy = 0, n_puntiz = 0;
  std::array<std::array<float, 3>, 3> orient_matr{};  // orient_matr[a] = step vector of axis a

  // TOP section
  std::int32_t n_grid = 0;
  std::string grd_top_name1 = blank_text(30), grd_top_name2 = blank_text(30), grd_top_name3 = blank_text(30);
  std::string cubeout1 = blank_text(30), cubeout2 = blank_text(30), cubeout3 = blank_text(30);
  std::string crys_out = blank_text(30);
  std::int32_t n_symm = 0;
  // symm_op(i, c, j): coefficient of input coordinate c in output coordinate j
  // of operation i (all 1-based), the operation index fastest in storage.
  std::vector<std::int32_t> symm_op;
  // transl(i, j): translation of output coordinate j of operation i.
  std::vector<double> transl;
  std::int32_t& symm(int i, int c, int j) {
    return symm_op[static_cast<std::size_t>((i - 1) + n_symm * ((c - 1) + 3 * (j - 1)))];
  }
  std::int32_t symm(int i, int c, int j) const {
    return symm_op[static_cast<std::size_t>((i - 1) + n_symm * ((c - 1) + 3 * (j - 1)))];
  }
  double& tr(int i, int j) { return transl[static_cast<std::size_t>((i - 1) + n_symm * (j - 1))]; }
  double tr(int i, int j) const { return transl[static_cast<std::size_t>((i - 1) + n_symm * (j - 1))]; }
  // Creates both arrays, zeroed, for n operations (none when n <= 0).
  void create_symmetry_arrays(std::int32_t n) {
    std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    symm_op.assign(count * 9, 0);
    transl.assign(count * 3, 0.0);
  }

  // RDG section
  std::array<std::int32_t, 3> inprdg_risp{};  // XD2, GAU, CUB
  std::array<std::int32_t, 4> calc_risp{};    // RDG, rho, Abr, plo
  std::string rhocube_inp = blank_text(35);
  std::string rhogrd_inp = blank_text(27);
  std::int32_t grad_calc = 0, grad_read = 0;
  std::string gradcube_inp = blank_text(34);
  std::string gradgrd_inp = blank_text(26);
  std::int32_t lapl_calc = 0, lapl_read = 0;
  std::string laplcube_inp = blank_text(34);
  std::string laplgrd_inp = blank_text(26);
  std::array<std::int32_t, 3> rdg_risp{};  // all_p, rho_c, rhosi
  std::array<float, 2> rhocutoff{};        // lower, upper
  std::string rdg_outname = blank_text(30);
  std::array<std::int32_t, 3> rdg_rispace{};  // none, atom, exte
  float spacecutoff = 0.0f;
  std::int32_t rhosign_points = 0;
  std::string rhosign_outname = blank_text(30);
  std::int32_t e_points = 0;
  std::string e_outname = blank_text(30);
  std::array<std::int32_t, 3> duedplot{};  // rho plot, rhosign plot, (unused)
  std::string plot_name = blank_text(30);

  // Filled by the RDG section, printed by the report. Entry m-1 belongs to the
  // RDG threshold m * 0.1.
  std::array<std::int32_t, 10> n01{};
  std::array<double, 10> vol01{}, rho01{}, rhosi01{}, g01{}, v01{}, h01{};

  // Filled by the WFN section, printed by the report: the additional density
  // functions (.wfx core densities) added to the density.
  std::int32_t wfn_edf_primitives = 0;
};

// A text field with its trailing blanks removed (file names are opened so).
inline std::string trimmed(const std::string& s) {
  std::size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

}  // namespace tessaro
