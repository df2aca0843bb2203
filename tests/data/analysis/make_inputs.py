#!/usr/bin/env python3
"""Writes the small hand-made input grids of the RDG section tests.

The density is rho(x, y, z) = 1 + x/4 + (z^2 - x^2 - y^2)/16 on a 5 x 5 x 5 grid
with unit steps and origin (-2, -2, -2): every value is a multiple of 1/16 that
E13.5 holds exactly; rho is 0 at (-2, +-2, 0); at the centre rho = 1,
grad rho = (1/4, 0, 0), Hessian diag(-1/8, -1/8, 1/8).
The GAU gradient and Laplacian cubes hold the five-point results (1/4 and -1/8
at the centre, 0 on the border) followed by GAU's extra lines, filled with a
value that would spoil every result if it were read.
"""
from fractions import Fraction as F

N = 5
H = 1


def rho(i, j, k):
    x, y, z = i - 2, j - 2, k - 2
    return 1 + Fraction(x, 4) + Fraction(z * z - x * x - y * y, 16)


Fraction = F


def e_field(v, w=13, d=5):
    """Ew.d of an exact value with at most d significant digits."""
    v = Fraction(v)
    if v == 0:
        s = "0." + "0" * d + "E+00"
    else:
        neg = v < 0
        a = abs(v)
        e = 0
        while a >= 1:
            a /= 10
            e += 1
        while a < Fraction(1, 10):
            a *= 10
            e -= 1
        digits = a * 10 ** d
        assert digits.denominator == 1, v
        s = ("-" if neg else "") + "0." + str(digits.numerator).rjust(d, "0") + "E" + ("-" if e < 0 else "+") + str(abs(e)).rjust(2, "0")
    return s.rjust(w)


def header(natoms_lines=True):
    lines = [" hand-made density for the RDG section tests", " rho = 1 + x/4 + (z^2 - x^2 - y^2)/16"]
    lines.append("    1   -2.000000   -2.000000   -2.000000")
    lines.append("    5    1.000000    0.000000    0.000000")
    lines.append("    5    0.000000    1.000000    0.000000")
    lines.append("    5    0.000000    0.000000    1.000000")
    lines.append("    8    8.000000    0.000000    0.000000    0.000000")
    return lines


def centre(i, j, k):
    return i == 2 and j == 2 and k == 2


def cube(values, extra=0):
    lines = header()
    for i in range(N):
        for j in range(N):
            lines.append("".join(e_field(values(i, j, k)) for k in range(N)))
            for _ in range(extra):
                lines.append("".join(e_field(Fraction(99999, 10)) for _ in range(6)))
    return "\n".join(lines) + "\n"


def grd(values):
    lines = ["3DGRDFIL  0                                 FOU",
             "Objects",
             "      1",
             "ATOM     O(1)        0.000000    0.000000    0.000000",
             "Connections",
             "      0",
             "Values",
             "  Gridpoints: 5 5 5",
             "    Origin: -1.058354 -1.058354 -1.058354",
             "Step 0.529177 0.529177 0.529177",
             "   Objects: 1",
             "Rank 3",
             "end of header"]
    assert len(lines) == 13  # atom count + 12
    for k in range(N):
        for j in range(N):
            row = [values(i, j, k) for i in range(N)]
            lines.append("".join(e_field(v, 18, 10) for v in row))
    return "\n".join(lines) + "\n"


def write(name, text):
    with open(name, "w") as f:
        f.write(text)


write("rho.cube", cube(rho))
write("gau_grad.cube", cube(lambda i, j, k: Fraction(1, 4) if centre(i, j, k) else 0, extra=3))
write("gau_lapl.cube", cube(lambda i, j, k: Fraction(-1, 8) if centre(i, j, k) else 0, extra=4))
xd_header = "\n".join(header()) + "\n"
write("xd_rho.cube", xd_header)
write("xd_rho.grd", grd(rho))
