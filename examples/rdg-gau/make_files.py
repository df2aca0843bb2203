#!/usr/bin/env python3
"""Writes the three input cubes of this example (Python standard library only).

The field is an analytic promolecular density of the water dimer: a sum of
spherical atomic densities, each a sum of exponentials N*a^3/(8*pi)*exp(-a*r)
(N electrons per term, exponents from Slater's screening rules). Its gradient
magnitude and Laplacian are analytic too. The files are written in the
Gaussian cube layout that the GAU input format reads:

  water_rho.cube   density, one row of N3 values per (i, j)
  water_grad.cube  gradient magnitude; after each row, (N3 + 1) div 2 further
                   lines holding the x, y, z gradient components of the row
  water_lapl.cube  Laplacian; after each row, (N3 + 1) div 2 lines holding the
                   xx, yy, zz second derivatives of the row, then the row's
                   density (as many lines as a row takes)

Run:  python3 make_files.py
"""
import math

BOHR = 0.5291771292686462  # angstrom

# S22 water dimer, angstrom.
ATOMS_ANGSTROM = [
    ("O", -1.551007, -0.114520, 0.000000),
    ("H", -1.934259, 0.762503, 0.000000),
    ("H", -0.599677, 0.040712, 0.000000),
    ("O", 1.350625, 0.111469, 0.000000),
    ("H", 1.680398, -0.373741, -0.758561),
    ("H", 1.680398, -0.373741, 0.758561),
]
Z = {"H": 1, "O": 8}
# (electrons, exponent a in 1/bohr) per term: core 1s and valence shell.
TERMS = {"H": [(1.0, 2.0)], "O": [(2.0, 15.40), (6.0, 2.73)]}

N1, N2, N3 = 30, 24, 15
STEP = 0.30  # bohr


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
    """Density, gradient vector, diagonal second derivatives at (x, y, z)."""
    rho = 0.0
    g = [0.0, 0.0, 0.0]
    h = [0.0, 0.0, 0.0]
    for element, ax, ay, az in atoms:
        d = (x - ax, y - ay, z - az)
        r = math.sqrt(d[0] ** 2 + d[1] ** 2 + d[2] ** 2)
        r = max(r, 1e-8)
        for electrons, a in TERMS[element]:
            f = electrons * a ** 3 / (8.0 * math.pi) * math.exp(-a * r)
            rho += f
            for c in range(3):
                u = d[c] / r
                g[c] += -a * f * u
                # d2f/dxc2 = f'' u^2 + f'/r (1 - u^2), f' = -a f, f'' = a^2 f
                h[c] += a * a * f * u * u - a * f / r * (1.0 - u * u)
    return rho, g, h


def rows_of(values):
    """Six values per line, a shorter last line."""
    return ["".join(fortran_e(v, 13, 5) for v in values[p:p + 6]) for p in range(0, len(values), 6)]


def main():
    atoms = [(e, x / BOHR, y / BOHR, z / BOHR) for e, x, y, z in ATOMS_ANGSTROM]
    centre = [(min(a[c + 1] for a in atoms) + max(a[c + 1] for a in atoms)) / 2 for c in range(3)]
    origin = [centre[c] - (n - 1) / 2 * STEP for c, n in enumerate((N1, N2, N3))]

    header = [f"{len(atoms):5d}" + "".join(f"{v:12.6f}" for v in origin)]
    for a, n in enumerate((N1, N2, N3)):
        step = [STEP if c == a else 0.0 for c in range(3)]
        header.append(f"{n:5d}" + "".join(f"{v:12.6f}" for v in step))
    for element, x, y, z in atoms:
        header.append(f"{Z[element]:5d}{float(Z[element]):12.6f}{x:12.6f}{y:12.6f}{z:12.6f}")

    files = {
        "water_rho.cube": [" Water dimer, promolecular electron density",
                           " written by make_files.py (analytic atomic exponentials)"],
        "water_grad.cube": [" Water dimer, promolecular density gradient magnitude",
                            " row, then x, y, z components; written by make_files.py"],
        "water_lapl.cube": [" Water dimer, promolecular density Laplacian",
                            " row, then xx, yy, zz and density; written by make_files.py"],
    }
    out = {name: titles + header for name, titles in files.items()}
    for i in range(N1):
        for j in range(N2):
            rho_row, mag_row, lap_row, comps, diag = [], [], [], [], []
            for k in range(N3):
                p = (origin[0] + i * STEP, origin[1] + j * STEP, origin[2] + k * STEP)
                rho, g, h = field(*p, atoms)
                rho_row.append(rho)
                mag_row.append(math.sqrt(g[0] ** 2 + g[1] ** 2 + g[2] ** 2))
                lap_row.append(h[0] + h[1] + h[2])
                comps.extend(g)
                diag.extend(h)
            out["water_rho.cube"] += rows_of(rho_row)
            out["water_grad.cube"] += rows_of(mag_row) + rows_of(comps)
            out["water_lapl.cube"] += rows_of(lap_row) + rows_of(diag) + rows_of(rho_row)
    for name, lines in out.items():
        with open(name, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(lines) + "\n")
        print(f"{name}: {len(lines)} lines")


if __name__ == "__main__":
    main()
