#pragma once
// The RDG-versus-density plot files: one line per grid point, the RDG next to
// the density or next to rho*sign(lambda2).
#include <cstddef>
#include <ostream>
#include <span>

namespace tessaro {

// Writes one plot file: every point of the grid, selected or not, k outermost
// and i fastest (the memory order), as 5X,E11.3,10X,E11.3 (the point's RDG,
// then its value). Unselected points show the RDG marker as 0.100E+11. No
// header line, so the file loads as two columns of numbers.
void plot(std::span<const double> rdg_array, std::span<const double> values, std::size_t n1, std::size_t n2,
          std::size_t n3, std::ostream& destination);

// One value under E11.3 into out[0..11): the text layer's put_E, made tight
// for the millions of values of a plot: a quick exact scaling where it
// decides the digits beyond doubt, std::to_chars otherwise.
void put_E11_3(char* out, double value);

}  // namespace tessaro
