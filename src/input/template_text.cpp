#include "input/template_text.hpp"

namespace tessaro {

namespace {

// Value lines stay within 50 columns: the reader ignores the columns after
// the 50th. examples/template.inp holds this same text.
constexpr std::string_view kTemplate = R"TEMPLATE(
# Tessaro input template.  Fill in the file names and numbers, mark the
# options you want, then run:   tessaro template.inp
#
# How this file is read
# - Only columns 1-50 of a line are read; anything after column 50 is
#   ignored.
# - Each keyword starts in column 1 and is found by searching forward
#   through the file, so the keyword lines must stay in this order.  Lines
#   that do not begin with the keyword being searched for (these '#'
#   lines, blank lines, lines of sections that are off) are passed over.
# - A value starts one column after its keyword and must end inside the
#   column range given for it (columns counted from 1).  A file name may
#   start anywhere inside its range.
# - On an option line a star written directly before a word chooses it:
#   "*RDG" chooses RDG, "RDG" alone does not.  Words without a star are
#   off; several words of one line may be chosen where that makes sense.
# - Lengths are in bohr, densities in electrons per cubic bohr.
#
# OUTPUT_FILE_NAME: the report file, columns 18-47.
OUTPUT_FILE_NAME report.txt
# SECTIONS: stars in columns 1-47 switch sections on; they run in the
# order WFN, TOP, RDG.  As given, WFN writes the density cube of the
# molecule and RDG analyses that cube; TOP (TOPOND grids) is off.
SECTIONS *WFN  TOP *RDG
#
# ======== WFN: properties from a wavefunction (.wfn file) ========
PROPERTIES FROM WAVEFUNCTION
# INPUT: the wavefunction file (AIMPAC .wfn layout), columns 7-39.
INPUT molecule.wfn
# OUTPUT: base name of the cube files written, columns 8-40.  The files
#   are name_rho.cube, name_gradrho.cube, name_laplrho.cube and
#   name_G.cube, name_V.cube, name_H.cube.
OUTPUT molecule
# CALCULATING: stars in columns 1-47 choose the electron density (rho),
#   its gradient magnitude (gra), its Laplacian (lap) and the kinetic,
#   potential and total energy densities G, V, H (ene).  Default: none.
CALCULATING *rho  gra  lap  ene
# CENTER: centre of the box grid, x y z in bohr, columns 8-50.
CENTER 0.0 0.0 0.0
# N_POINTS_X/Y/Z: number of grid points along x, y, z, columns 12-40.
# STEPSIZE_X/Y/Z: grid step along x, y, z in bohr, columns 12-40.
#   The box, (N_POINTS - 1) * STEPSIZE long on each axis, is centred on
#   CENTER.  As given: 41 points 0.25 bohr apart, a 10 bohr cube.
N_POINTS_X 41
STEPSIZE_X 0.25
N_POINTS_Y 41
STEPSIZE_Y 0.25
N_POINTS_Z 41
STEPSIZE_Z 0.25
#
# ======== TOP: TOPOND grid files to cube files ========
TOPOND TO CUBE CONVERSION
# N_OF_GRIDS: number of TOPOND grid files to convert, 1 to 3, columns
#   12-50.  Only the first N_OF_GRIDS pairs of names below are read.
N_OF_GRIDS 1
# GRID_FILE_NAME: a TOPOND grid file, columns 16-45.
# CUBE_NAME(OUTPUT): the cube written from it, columns 19-48; ".cube" is
#   appended to the name.
GRID_FILE_NAME grid1.dat
CUBE_NAME(OUTPUT) grid1
GRID_FILE_NAME grid2.dat
CUBE_NAME(OUTPUT) grid2
GRID_FILE_NAME grid3.dat
CUBE_NAME(OUTPUT) grid3
# CRYSTAL_OUTPUT_NAME: the CRYSTAL output that supplies the atoms and the
#   lattice, columns 21-50.
CRYSTAL_OUTPUT_NAME crystal.out
# N_OF_SYMM_OPERATIONS: number of SYMM lines read, columns 22-50.
# SYMM: one symmetry operation per line, columns 5-44, applied to the
#   fractional coordinates of the atoms, for example -x+1/2,-y,z+1/2.
#   x,y,z is the identity.
N_OF_SYMM_OPERATIONS 1
SYMM x,y,z
#
# ======== RDG: RDG, rho*sign(lambda2), Abramov energies ========
RDG,RHO*(signL2) AND ABRAMOV
# INPUT: format of the grid files read, stars in columns 7-47: XD2 (XD2006
#   grd files, each with a cube file that supplies the header), GAU
#   (Gaussian cube files), CUB (general cube files).  Choose one; with
#   none, the files are read as CUB.
INPUT  XD2  GAU *CUB
# CALCULATING: the jobs, stars in columns 13-47: RDG (reduced density
#   gradient), rho (rho*sign(lambda2)), Abr (Abramov energy densities G, V,
#   H), plo (plots of the RDG against the density).  Default: none.
CALCULATING *RDG *rho *Abr *plo
# RHO_INPUT_CUBE: the density cube, columns 16-50.  As given, the density
#   cube that the WFN section above writes.
RHO_INPUT_CUBE molecule_rho.cube
# RHO_INPUT_GRD(XD only): the density grd file, read with XD2 only,
#   columns 24-50.
RHO_INPUT_GRD(XD only) rho.grd
# GRAD=: the density gradient magnitude is computed from the density grid
#   (calc) or read from files (read); stars in columns 6-46.  The jobs
#   RDG, Abr and plo need it.
GRAD= *calc  read
# GRAD_INPUT_CUBE (columns 17-50) and GRAD_INPUT_GRD(XD only) (columns
#   25-50): the gradient files, read with read only (the grd with XD2).
GRAD_INPUT_CUBE grad.cube
GRAD_INPUT_GRD(XD only) grad.grd
# LAPL=: the Laplacian of the density is computed (calc) or read (read);
#   stars in columns 6-46.  The job Abr needs it.
LAPL= *calc  read
# LAPL_INPUT_CUBE (columns 17-50) and LAPL_INPUT_GRD(XD only) (columns
#   25-50): the Laplacian files, read unless calc is chosen.
LAPL_INPUT_CUBE lapl.cube
LAPL_INPUT_GRD(XD only) lapl.grd
# RDG_CALCULATION: the points where the RDG is computed, stars in columns
#   17-45: all_p (every point), rho_c (density between LOWER_VALUE and
#   UPPER_VALUE), rhosi (rho*sign(lambda2) between them).  Choose one;
#   with none, every point.  Points left out get the RDG 1.0E10.
RDG_CALCULATION *all_p  rho_c  rhosi
# LOWER_VALUE, UPPER_VALUE: the bounds for rho_c or rhosi, in atomic
#   units, columns 13-50; read with rho_c or rhosi only.
LOWER_VALUE -0.05
UPPER_VALUE 0.05
# RDG_OUTPUT: base name of the RDG cube (name.cube), columns 12-41.
RDG_OUTPUT rdg
# SPACE_CUTOFF: stars in columns 13-45: none (no cutoff), atom (leave out
#   points farther than TOLERANCE from every atom), exte (leave out points
#   more than TOLERANCE outside the outermost atomic coordinates).  Choose
#   one; with none chosen, no cutoff.
SPACE_CUTOFF *none  atom  exte
# TOLERANCE: the cutoff distance in bohr, columns 11-50; read with atom or
#   exte only.
TOLERANCE 3.0
# RHO_SIGN_CALCULATION: a star before RDG_p (columns 22-45) computes
#   rho*sign(lambda2) only at the points chosen for the RDG.  Default:
#   every point.
RHO_SIGN_CALCULATION  RDG_p
# RHO_SIGN_OUTPUT: base name of the rho*sign(lambda2) cube (name.cube),
#   columns 17-46.
RHO_SIGN_OUTPUT rhosign
# ENERGY_CALCULATION: a star before RDG_p (columns 20-45) computes G, V, H
#   only at the points chosen for the RDG.  Default: every point.
ENERGY_CALCULATION  RDG_p
# ENERGY_OUTPUT: base name of the energy cubes (name_Gabr.cube,
#   name_Vabr.cube, name_Habr.cube), columns 15-44.
ENERGY_OUTPUT energy
# 2DPLOT: stars in columns 8-45: rho (RDG against the density, file "rho"
#   + PLOT_NAME), rhosign (RDG against rho*sign(lambda2), file "rhosign" +
#   PLOT_NAME).  Both may be chosen.
2DPLOT *rho *rhosign
# PLOT_NAME: one word without blanks, commas or slashes, columns 11-40.
PLOT_NAME plot.dat
)TEMPLATE";

}  // namespace

// The raw string begins with a line end after its opening delimiter, so that
// the text reads as it stands; that first line end is not part of it.
std::string_view input_template() { return kTemplate.substr(1); }

}  // namespace tessaro
