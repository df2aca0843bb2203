#pragma once
// One scalar field on a regular grid: a header in single precision (atoms,
// origin, point counts, step vectors) and the values in double precision, in
// one contiguous block with the first index (axis 1) fastest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaro {

// Nuclear charges run from 0 (a ghost atom or a dummy centre) to 118, the
// heaviest element; a charge that is not a number lies outside.
inline bool nuclear_charge_in_range(double charge) { return charge >= 0.0 && charge <= 118.0; }

struct GridAtom {
  std::int32_t num_atomico = 0;
  float charge = 0.0f, x = 0.0f, y = 0.0f, z = 0.0f;
};

struct GridData {
  std::int32_t natoms = 0;                      // atom count as read (the list may be empty)
  std::array<float, 3> origin{};                // bohr
  std::array<std::int32_t, 3> n{};              // N1, N2, N3
  std::array<std::array<float, 3>, 3> axis{};   // axis[a] = step vector of axis a (x, y, z)
  std::vector<GridAtom> atoms;
  std::vector<double> cube_array;               // N1*N2*N3 values

  std::size_t n1() const { return n[0] > 0 ? static_cast<std::size_t>(n[0]) : 0; }
  std::size_t n2() const { return n[1] > 0 ? static_cast<std::size_t>(n[1]) : 0; }
  std::size_t n3() const { return n[2] > 0 ? static_cast<std::size_t>(n[2]) : 0; }
  std::size_t size() const { return n1() * n2() * n3(); }
  // 0-based (i, j, k); i along axis 1 varies fastest.
  std::size_t index(std::size_t i, std::size_t j, std::size_t k) const { return i + n1() * (j + n2() * k); }
};

}  // namespace tessaro
