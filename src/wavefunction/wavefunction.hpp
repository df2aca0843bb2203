#pragma once
// The wavefunction of the WFN section: centres, Gaussian primitives stored
// sorted by angular type, orbital coefficients and occupations, as read from
// an AIMPAC .wfn file. Indices are 0-based here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaro {

struct Wavefunction {
  std::int32_t ncent = 0;
  std::int32_t nprims = 0;
  std::int32_t nmo = 0;
  std::vector<std::string> atnam;      // ncent labels of 8 characters, in atom-line order
  std::vector<double> xc, yc, zc;      // ncent centre coordinates, bohr
  std::vector<double> charg;           // ncent nuclear charges
  std::vector<std::int32_t> ict;       // nprims: centre of each stored primitive (0-based)
  std::vector<std::int32_t> type;      // nprims: angular type 1..20 of each stored primitive
  std::vector<double> exx;             // nprims: exponent alpha
  std::vector<double> sum;             // nprims: -(alpha + alpha)
  std::vector<double> div;             // nprims: 1 / sum
  std::array<std::int32_t, 20> itp{};  // itp[t-1] = number of stored primitives of types 1..t
  std::vector<double> coo;             // coo[m * nprims + i]: coefficient of stored primitive i in orbital m
  std::vector<double> po;              // nmo occupations
  std::vector<double> eorb;            // nmo orbital energies, hartree

  double coefficient(std::size_t i, std::size_t m) const { return coo[m * static_cast<std::size_t>(nprims) + i]; }
};

// A .wfn file that reads but cannot be evaluated (a type outside 1-20, a centre
// number outside 1..ncent, an exponent that is not positive, a count that is
// not positive). The message names the file, the line and what is wrong.
class WfnFileRejected : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tessaro
