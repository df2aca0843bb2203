#!/usr/bin/env python3
"""Cuts water_dimer_cut.cube out of ../shared/data/nwchem_wfn/water_dimer_density.cube
(NWChem 7.0.2, see that folder's PROVENANCE.md): the box x in [-3.5, 3.5],
y and z in [-2.5, 2.5] bohr around the hydrogen bond, 29 x 21 x 21 points. The
header keeps every atom; each value keeps its 13 characters exactly as NWChem
wrote them (only the line breaks of the shorter rows change)."""
import sys

src = sys.argv[1] if len(sys.argv) > 1 else "../../../../shared/data/nwchem_wfn/water_dimer_density.cube"
lines = open(src).read().split("\n")
natoms = int(lines[2][:5])
n = [int(lines[3 + a][:5]) for a in range(3)]
fields = []
for line in lines[6 + natoms:]:
    fields += [line[c:c + 13] for c in range(0, len(line), 13) if line[c:c + 13].strip()]
assert len(fields) == n[0] * n[1] * n[2]
i0, i1, j0, j1, k0, k1 = 14, 43, 14, 35, 14, 35  # -3.5..3.5, -2.5..2.5, -2.5..2.5
out = [" water dimer density, NWChem 7.0.2 dplot, cut around the hydrogen bond",
       " x -3.5..3.5, y -2.5..2.5, z -2.5..2.5 bohr",
       "%5d%12.6f%12.6f%12.6f" % (natoms, -7 + 0.25 * i0, -6 + 0.25 * j0, -6 + 0.25 * k0)]
out.append("%5d%12.6f%12.6f%12.6f" % (i1 - i0, 0.25, 0, 0))
out.append("%5d%12.6f%12.6f%12.6f" % (j1 - j0, 0, 0.25, 0))
out.append("%5d%12.6f%12.6f%12.6f" % (k1 - k0, 0, 0, 0.25))
out += lines[6:6 + natoms]
for i in range(i0, i1):
    for j in range(j0, j1):
        row = [fields[(i * n[1] + j) * n[2] + k] for k in range(k0, k1)]
        for c in range(0, len(row), 6):
            out.append("".join(row[c:c + 6]))
open("water_dimer_cut.cube", "w").write("\n".join(out) + "\n")
