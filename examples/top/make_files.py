#!/usr/bin/env python3
"""Writes the input files of this example (Python standard library only).

A model of rock-salt MgO: the density of the crystal is taken as a periodic
sum of spherical ionic densities (Mg2+ and O2-, each a sum of exponentials
N*a^3/(8*pi)*exp(-a*r), exponents from Slater's screening rules), evaluated
with the analytic Laplacian. Files:

  mgo_rho.grd      density on a 24 x 24 x 24 grid over the conventional
                   cubic cell, in the TOPOND layout (3I4; E15.8,17X,E15.8 x3;
                   values 8E16.8 with x fastest, every row on new lines)
  mgo_lapl.grd     the Laplacian of the density on the same grid
  mgo_crystal.out  a hand-made excerpt of a CRYSTAL output with the lines the
                   TOP section scans: the number of irreducible atoms, the
                   input coordinates (fractional) and the direct lattice
                   vectors (angstrom)

Run:  python3 make_files.py
"""
import math

BOHR = 0.5291771292686462  # angstrom
A_ANGSTROM = 4.217  # conventional cubic cell
A = A_ANGSTROM / BOHR  # bohr

# Irreducible atoms (fractional) and the face-centring translations that the
# input's SYMM lines apply to them.
IRREDUCIBLE = [("MG", 12, (0.0, 0.0, 0.0)), ("O", 8, (0.5, 0.5, 0.5))]
CENTRING = [(0.0, 0.0, 0.0), (0.5, 0.5, 0.0), (0.5, 0.0, 0.5), (0.0, 0.5, 0.5)]
# (electrons, exponent a in 1/bohr): core 1s and outer shell of the ions.
TERMS = {12: [(2.0, 23.40), (8.0, 4.71)], 8: [(2.0, 15.40), (8.0, 2.31)]}

N = 24
STEP = A / N  # bohr; the grid starts half a step inside the cell so that no
ORIGIN = STEP / 2  # point falls on a nucleus, where the Laplacian diverges


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


def cell_atoms():
    atoms = []
    for _, z, f in IRREDUCIBLE:
        for t in CENTRING:
            atoms.append((z, [((f[c] + t[c]) % 1.0) * A for c in range(3)]))
    return atoms


def field(p, images):
    """Density and Laplacian at point p from the atoms and their images."""
    rho = lap = 0.0
    for z, centre in images:
        r = max(math.dist(p, centre), 1e-8)
        if r > 12.0:
            continue
        for electrons, a in TERMS[z]:
            f = electrons * a ** 3 / (8.0 * math.pi) * math.exp(-a * r)
            rho += f
            lap += f * (a * a - 2.0 * a / r)
    return rho, lap


def topond_file(name, values):
    lines = ["".join(f"{N:4d}" for _ in range(3))]
    for _ in range(3):
        end = ORIGIN + (N - 1) * STEP
        lines.append(fortran_e(ORIGIN, 15, 8) + "  " + fortran_e(end, 15, 8) + fortran_e(STEP, 15, 8))
    for k in range(N):
        for j in range(N):
            row = [values[(i, j, k)] for i in range(N)]
            for p in range(0, N, 8):
                lines.append("".join(fortran_e(v, 16, 8) for v in row[p:p + 8]))
    with open(name, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def crystal_excerpt():
    e20 = lambda v: fortran_e(v, 20, 12)
    e21 = lambda v: fortran_e(v, 21, 12)
    lines = [
        " MGO BULK - MODEL DENSITY FOR THE TOP SECTION EXAMPLE",
        " (hand-made excerpt: only the lines the conversion reads, in CRYSTAL's layout)",
        "",
        " SPACE GROUP (CENTROSYMMETRIC)        :  F M 3 M",
        "",
        " LATTICE PARAMETERS  (ANGSTROMS AND DEGREES) - CONVENTIONAL CELL",
        "        A           B           C        ALPHA        BETA       GAMMA",
        f"{A_ANGSTROM:12.5f}{A_ANGSTROM:12.5f}{A_ANGSTROM:12.5f}{90.0:12.5f}{90.0:12.5f}{90.0:12.5f}",
        "",
        "",
        f" NUMBER OF IRREDUCIBLE ATOMS IN THE CONVENTIONAL CELL:{len(IRREDUCIBLE):5d}",
        "",
        " INPUT COORDINATES",
        "",
        " ATOM AT. N.              COORDINATES",
    ]
    for n, (_, z, f) in enumerate(IRREDUCIBLE, start=1):
        lines.append(f"{n:4d}{z:4d}   " + "".join(e20(v) for v in f))
    lines += [
        "",
        " " + "*" * 79,
        "",
        " DIRECT LATTICE VECTORS CARTESIAN COMPONENTS (ANGSTROM)",
        "          X                    Y                    Z",
    ]
    for a in range(3):
        lines.append("".join(e21(A_ANGSTROM if c == a else 0.0) for c in range(3)))
    lines.append("")
    with open("mgo_crystal.out", "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    atoms = cell_atoms()
    images = [(z, [c[0] + u * A, c[1] + v * A, c[2] + w * A])
              for z, c in atoms for u in (-1, 0, 1) for v in (-1, 0, 1) for w in (-1, 0, 1)]
    rho, lap = {}, {}
    for k in range(N):
        for j in range(N):
            for i in range(N):
                p = (ORIGIN + i * STEP, ORIGIN + j * STEP, ORIGIN + k * STEP)
                rho[(i, j, k)], lap[(i, j, k)] = field(p, images)
    topond_file("mgo_rho.grd", rho)
    topond_file("mgo_lapl.grd", lap)
    crystal_excerpt()
    electrons = sum(rho.values()) * STEP ** 3
    print(f"grid sum of the density: {electrons:.1f} electrons (80 in the cell; the coarse grid misses part of the cores)")


if __name__ == "__main__":
    main()
