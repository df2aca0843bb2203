#!/usr/bin/env python3
"""Writes the input files of this example (Python standard library only).

The field is an analytic promolecular density of the hydrogen fluoride dimer
(F-H...F, nearly linear hydrogen bond): a sum of spherical atomic densities,
each a sum of exponentials N*a^3/(8*pi)*exp(-a*r) (N electrons per term,
exponents from Slater's screening rules), with analytic gradient magnitude
and Laplacian. Files:

  hf_dimer.cube     the grid header and the atom lines only (bohr); with the
                    XD2 input format the values come from the grd files
  hf_rho.grd        density, e/A^3
  hf_grad.grd       gradient magnitude, e/A^4
  hf_lapl.grd       NEGATIVE Laplacian, e/A^5

Each grd file starts with (atom count + 12) header lines in the XD2006 layout,
then lists the values with the x index fastest, six to a line (6E18.10), every
row of N1 values on new lines.

Run:  python3 make_files.py
"""
import math

BOHR = 0.5291771292686462  # angstrom

# Hydrogen fluoride dimer, angstrom: F...F 2.72, H-F 0.92, the free H at
# 117 degrees from the F...F axis.
ATOMS_ANGSTROM = [
    ("F", "F(1)", 0.000000, 0.000000, 0.000000),
    ("H", "H(1)", 0.920000, 0.000000, 0.000000),
    ("F", "F(2)", 2.720000, 0.000000, 0.000000),
    ("H", "H(2)", 3.137670, 0.819718, 0.000000),
]
Z = {"H": 1, "F": 9}
# (electrons, exponent a in 1/bohr) per term: core 1s and valence shell.
TERMS = {"H": [(1.0, 2.0)], "F": [(2.0, 17.40), (7.0, 3.12)]}

N1, N2, N3 = 32, 24, 20
STEP = 0.30  # bohr

# bohr^3, bohr^4, bohr^5 in angstrom units: a.u. -> per-angstrom values.
RHO_FACTOR = 0.14818464289233146
GRAD_FACTOR = 0.07841592392746348
LAPL_FACTOR = 0.04149591351288367


def fortran_e(value, width, digits):
    """Ew.d: 0.ddddE+xx, right-justified."""
    if value == 0.0:
        text = "0." + "0" * digits + "E+00"
    else:
        mantissa, exponent = f"{abs(value):.{digits - 1}e}".split("e")
        text = "0." + mantissa.replace(".", "") + "E" + f"{int(exponent) + 1:+03d}"
        if value < 0:
            text = "-" + text
    return text.rjust(width)


def field(x, y, z, atoms):
    """Density, gradient magnitude and Laplacian at (x, y, z), atomic units."""
    rho = 0.0
    g = [0.0, 0.0, 0.0]
    lap = 0.0
    for element, _, ax, ay, az in atoms:
        d = (x - ax, y - ay, z - az)
        r = max(math.sqrt(d[0] ** 2 + d[1] ** 2 + d[2] ** 2), 1e-8)
        for electrons, a in TERMS[element]:
            f = electrons * a ** 3 / (8.0 * math.pi) * math.exp(-a * r)
            rho += f
            for c in range(3):
                g[c] += -a * f * d[c] / r
            lap += f * (a * a - 2.0 * a / r)
    return rho, math.sqrt(g[0] ** 2 + g[1] ** 2 + g[2] ** 2), lap


def grd_values(values):
    """Six values per line (6E18.10), a shorter last line per row."""
    return ["".join(fortran_e(v, 18, 10) for v in values[p:p + 6]) for p in range(0, len(values), 6)]


def main():
    atoms = [(e, label, x / BOHR, y / BOHR, z / BOHR) for e, label, x, y, z in ATOMS_ANGSTROM]
    centre = [(min(a[c + 2] for a in atoms) + max(a[c + 2] for a in atoms)) / 2 for c in range(3)]
    counts = (N1, N2, N3)
    origin = [centre[c] - (n - 1) / 2 * STEP for c, n in enumerate(counts)]

    cube = [" Hydrogen fluoride dimer, promolecular density: header and atoms only",
            " (values in hf_*.grd); written by make_files.py",
            f"{len(atoms):5d}" + "".join(f"{v:12.6f}" for v in origin)]
    for a, n in enumerate(counts):
        cube.append(f"{n:5d}" + "".join(f"{(STEP if c == a else 0.0):12.6f}" for c in range(3)))
    for element, _, x, y, z in atoms:
        cube.append(f"{Z[element]:5d}{float(Z[element]):12.6f}{x:12.6f}{y:12.6f}{z:12.6f}")
    with open("hf_dimer.cube", "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(cube) + "\n")

    def header(kind):
        # atom count + 12 lines, as XD2006 writes them (lengths in angstrom).
        lines = ["3DGRDFIL  0", f"         {kind}", " ", "! Gridpoints, Origin, Physical Dimensions",
                 "".join(f"{n:15d}" for n in counts),
                 "".join(f"{o * BOHR:15.4f}" for o in origin),
                 "".join(f"{(n - 1) * STEP * BOHR:15.4f}" for n in counts),
                 "! Objects", f"{len(atoms):10d}"]
        lines += [f"{label:<8s}{x * BOHR:10.5f}{y * BOHR:10.5f}{z * BOHR:10.5f} ATOM"
                  for _, label, x, y, z in atoms]
        lines += ["! Connections", "         0", "! Values"]
        assert len(lines) == len(atoms) + 12
        return lines

    grids = {"hf_rho.grd": ("RHO", []), "hf_grad.grd": ("GRD", []), "hf_lapl.grd": ("LAP", [])}
    for name, (kind, lines) in grids.items():
        lines.extend(header(kind))
    for k in range(N3):
        for j in range(N2):
            row = [field(origin[0] + i * STEP, origin[1] + j * STEP, origin[2] + k * STEP, atoms)
                   for i in range(N1)]
            grids["hf_rho.grd"][1].extend(grd_values([p[0] / RHO_FACTOR for p in row]))
            grids["hf_grad.grd"][1].extend(grd_values([p[1] / GRAD_FACTOR for p in row]))
            grids["hf_lapl.grd"][1].extend(grd_values([-p[2] / LAPL_FACTOR for p in row]))
    for name, (_, lines) in grids.items():
        with open(name, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(lines) + "\n")
        print(f"{name}: {len(lines)} lines")


if __name__ == "__main__":
    main()
