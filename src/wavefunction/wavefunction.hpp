#pragma once
// The wavefunction of the WFN section: centres, Gaussian primitives stored
// sorted by angular type, orbital coefficients and occupations, as read from
// an AIMPAC .wfn or an AIM extended .wfx file. Indices are 0-based here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaro {

// Primitive types run from 1 (s) to 56 (the last h function).
inline constexpr int kMaxPrimitiveType = 56;

// The exponents of x, y and z of each angular type, in the numbering the
// files use: s; px py pz; d xx yy zz xy xz yz; f xxx yyy zzz xxy xxz yyz xyy
// xzz yzz xyz; g xxxx yyyy zzzz xxxy xxxz xyyy yyyz xzzz yzzz xxyy xxzz yyzz
// xxyz xyyz xyzz; h zzzzz yzzzz yyzzz yyyzz yyyyz yyyyy xzzzz xyzzz xyyzz xyyyz
// xyyyy xxzzz xxyzz xxyyz xxyyy xxxzz xxxyz xxxyy xxxxz xxxxy xxxxx. The g and
// h lists follow different patterns: both are the orders the writers use.
struct AngularPowers {
  int lx, ly, lz;
};
inline constexpr std::array<AngularPowers, kMaxPrimitiveType> kAngularPowers = {{
    {0, 0, 0},                                                                               // s
    {1, 0, 0}, {0, 1, 0}, {0, 0, 1},                                                         // p
    {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},                        // d
    {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2},  // f
    {0, 1, 2}, {1, 1, 1},                                                                    //
    {4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1}, {1, 0, 3},  // g
    {0, 1, 3}, {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2},             //
    {0, 0, 5}, {0, 1, 4}, {0, 2, 3}, {0, 3, 2}, {0, 4, 1}, {0, 5, 0}, {1, 0, 4}, {1, 1, 3},  // h
    {1, 2, 2}, {1, 3, 1}, {1, 4, 0}, {2, 0, 3}, {2, 1, 2}, {2, 2, 1}, {2, 3, 0}, {3, 0, 2},  //
    {3, 1, 1}, {3, 2, 0}, {4, 0, 1}, {4, 1, 0}, {5, 0, 0},                                   //
}};
inline constexpr const AngularPowers& angular_powers(int t) { return kAngularPowers[static_cast<std::size_t>(t - 1)]; }

struct Wavefunction {
  std::int32_t ncent = 0;
  std::int32_t nprims = 0;
  std::int32_t nmo = 0;
  std::vector<std::string> atnam;      // ncent labels of 8 characters, in atom-line order
  std::vector<double> xc, yc, zc;      // ncent centre coordinates, bohr
  std::vector<double> charg;           // ncent nuclear charges
  std::vector<std::int32_t> atomic_number;  // ncent: the file's (.wfx), else the charge truncated toward zero
  std::vector<std::int32_t> ict;       // nprims: centre of each stored primitive (0-based)
  std::vector<std::int32_t> type;      // nprims: angular type 1..56 of each stored primitive
  std::vector<double> exx;             // nprims: exponent alpha
  std::vector<double> sum;             // nprims: -(alpha + alpha)
  std::vector<double> div;             // nprims: 1 / sum
  std::array<std::int32_t, kMaxPrimitiveType> itp{};  // itp[t-1] = number of stored primitives of types 1..t
  std::vector<double> coo;             // coo[m * nprims + i]: coefficient of stored primitive i in orbital m
  std::vector<double> po;              // nmo occupations
  std::vector<double> eorb;            // nmo orbital energies, hartree

  // The additional electron density functions of a .wfx file (core densities
  // of atoms described by pseudopotentials), in file order: each adds
  // coefficient x primitive to the density itself, not through an orbital.
  std::vector<std::int32_t> edf_ict, edf_type;
  std::vector<double> edf_exx, edf_coef;

  double coefficient(std::size_t i, std::size_t m) const { return coo[m * static_cast<std::size_t>(nprims) + i]; }
};

// A wavefunction file that reads but cannot be evaluated (a type outside
// 1-56, a centre number outside 1..ncent, an exponent that is not a positive
// number, a count that is not positive; for a .wfx also a missing block, a
// count that disagrees with its header or a value that is not a number). The
// message names the file, the line (and for a .wfx the block) and what is
// wrong.
class WfnFileRejected : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tessaro
