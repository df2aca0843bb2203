#pragma once
// Hand-written TOPOND grids (no real one exists) and the cubes the TOP section
// makes of them with the two atoms of tests/data/topond/hand_cell.out.
#include <string>

namespace tessaro::topond_test {

// Hand-written TOPOND grids: 2 x 1 x 2 with origin (-1, 0, 0.5) and steps
// 0.5, 0.25, 0.125; and 3 x 1 x 1.
inline const std::string kGridA =
    "   2   1   2\n"
    "-0.10000000E+01  0.00000000E+00  0.50000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.25000000E+00\n"
    " 0.50000000E+00  0.00000000E+00  0.12500000E+00\n"
    "  0.10000000E+01  0.20000000E+01\n"
    "  0.30000000E+01  0.40000000E+01\n";
inline const std::string kGridB =
    "   3   1   1\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " 0.00000000E+00  0.00000000E+00  0.10000000E+00\n"
    " -0.12345678E-02  0.50000000E+00  0.00000000E+00\n";

inline const std::string kBlankTitles = std::string(60, ' ') + "\n" + std::string(60, ' ') + "\n";
inline const std::string kCubeAHeader =
    "    4   -1.000000    0.000000    0.500000\n"
    "    2    0.500000    0.000000    0.000000\n"
    "    1    0.000000    0.250000    0.000000\n"
    "    2    0.000000    0.000000    0.125000\n";
inline const std::string kCubeBHeader =
    "    4    0.000000    0.000000    0.000000\n"
    "    3    0.100000    0.000000    0.000000\n"
    "    1    0.000000    0.100000    0.000000\n"
    "    1    0.000000    0.000000    0.100000\n";
// The two atoms of the hand-written excerpt under x,y,z and -x,-y,-z.
inline const std::string kAtomsIdInv =
    "    8    8.000000    1.000000    2.000000    6.000000\n"
    "   30   30.000000   -2.500000    0.000000   10.000000\n"
    "    8    8.000000   -1.000000   -2.000000   -6.000000\n"
    "   30   30.000000    2.500000    0.000000  -10.000000\n";
inline const std::string kValuesA =
    "  1.00000E+00  3.00000E+00\n"
    "  2.00000E+00  4.00000E+00\n";
inline const std::string kValuesB =
    " -1.23457E-03\n"
    "  5.00000E-01\n"
    "  0.00000E+00\n";

}  // namespace tessaro::topond_test
