#pragma once
// Helpers of the wavefunction tests: .wfn texts built from hand-chosen numbers
// through the text layer, and reads from strings and files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "textio/textio.hpp"
#include "wavefunction/electron_count.hpp"
#include "wavefunction/wavefunction.hpp"
#include "wavefunction/wfn_file.hpp"

namespace wfn_test {

struct WfnContent {
  struct Centre {
    double x = 0, y = 0, z = 0, charge = 1;
  };
  std::vector<Centre> centres;
  std::vector<int> centre_numbers;  // per atom line; empty: 1, 2, 3, ...
  std::vector<int> ict, type;       // per file primitive, centres from 1
  std::vector<double> exps;
  std::vector<double> occ;
  std::vector<std::vector<double>> coef;  // [orbital][file primitive]
  int count_width = 3;                    // width of the header counts
  bool energy_line = true;
};

inline std::string wfn_text(const WfnContent& s) {
  using namespace tessaro::textio;
  const int nprims = static_cast<int>(s.exps.size());
  std::string t = "test molecule\n";
  t += "GAUSSIAN";
  put_X(t, 12 - (s.count_width - 3));
  put_I(t, static_cast<int>(s.occ.size()), s.count_width);
  t += " MOL ORBITALS    ";
  put_I(t, nprims, s.count_width);
  t += " PRIMITIVES      ";
  put_I(t, static_cast<int>(s.centres.size()), s.count_width);
  t += " NUCLEI\n";
  for (std::size_t a = 0; a < s.centres.size(); ++a) {
    const int no = s.centre_numbers.empty() ? static_cast<int>(a) + 1 : s.centre_numbers[a];
    t += "  H";
    put_I(t, static_cast<int>(a) + 1, 5);
    t += "    (CENTRE";
    put_I(t, no, 3);
    t += ") ";
    put_F(t, s.centres[a].x, 12, 8);
    put_F(t, s.centres[a].y, 12, 8);
    put_F(t, s.centres[a].z, 12, 8);
    t += "  CHARGE =";
    put_F(t, s.centres[a].charge, 5, 1);
    t += "\n";
  }
  auto ints = [&](const char* label, const std::vector<int>& v) {
    for (std::size_t k = 0; k < v.size(); ++k) {
      if (k % 20 == 0) put_A(t, label, 20);
      put_I(t, v[k], 3);
      if (k % 20 == 19 || k + 1 == v.size()) t += "\n";
    }
  };
  ints("CENTRE ASSIGNMENTS", s.ict);
  ints("TYPE ASSIGNMENTS", s.type);
  for (std::size_t k = 0; k < s.exps.size(); ++k) {
    if (k % 5 == 0) put_A(t, "EXPONENTS", 10);
    put_E(t, s.exps[k], 14, 7);
    if (k % 5 == 4 || k + 1 == s.exps.size()) t += "\n";
  }
  for (std::size_t m = 0; m < s.occ.size(); ++m) {
    t += "MO";
    put_I(t, static_cast<int>(m) + 1, 3);
    put_X(t, 21);
    t += "OCC NO = ";
    put_F(t, s.occ[m], 12, 8);
    t += " ORB. ENERGY = ";
    put_F(t, -1.0 - static_cast<double>(m) / 64.0, 12, 8);
    t += "\n";
    for (std::size_t k = 0; k < s.coef[m].size(); ++k) {
      put_E(t, s.coef[m][k], 16, 8);
      if (k % 5 == 4 || k + 1 == s.coef[m].size()) t += "\n";
    }
  }
  t += "END DATA\n";
  if (s.energy_line) t += " TOTAL ENERGY =      -1.133504568400 THE VIRIAL(-V/T)=   2.00037426\n";
  return t;
}

// One centre at the origin with the given primitive types, exponent 1 unless
// given, and one orbital of occupation 2 with coefficients 1, 2, 3, ...
inline WfnContent simple_content(std::vector<int> types, std::vector<double> exps = {}) {
  WfnContent s;
  s.centres.push_back({0.0, 0.0, 0.0, 1.0});
  s.type = std::move(types);
  s.ict.assign(s.type.size(), 1);
  s.exps = exps.empty() ? std::vector<double>(s.type.size(), 1.0) : std::move(exps);
  s.occ = {2.0};
  s.coef.assign(1, {});
  for (std::size_t k = 0; k < s.type.size(); ++k) s.coef[0].push_back(static_cast<double>(k + 1));
  return s;
}

inline tessaro::Wavefunction read_text(const std::string& text, const std::string& name = "test.wfn");

// The content with each orbital's coefficients scaled so that the orbital
// holds one electron per unit of occupation (its integral c^T S c is 1).
inline WfnContent normalised(WfnContent s) {
  const tessaro::Wavefunction w = read_text(wfn_text(s), "n.wfn");
  for (std::size_t m = 0; m < s.coef.size(); ++m) {
    tessaro::Wavefunction one = w;
    one.po.assign(one.po.size(), 0.0);
    one.po[m] = 1.0;
    const double norm = std::sqrt(tessaro::orbital_electron_count(one));
    for (double& c : s.coef[m]) c /= norm;
  }
  return s;
}

inline tessaro::Wavefunction read_text(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  tessaro::textio::LineReader reader(in, name);
  tessaro::Wavefunction w;
  tessaro::read_wfn_file(reader, w);
  return w;
}

inline std::string shared_data() { return TESSARO_SHARED_DATA; }
inline std::string test_data() { return std::string(TESSARO_TEST_DATA) + "/wavefunction"; }

// Reads a file with the .wfn reader, or with the one given.
inline tessaro::Wavefunction read_path(const std::string& path,
                                       void (*read)(tessaro::textio::LineReader&,
                                                    tessaro::Wavefunction&) = tessaro::read_wfn_file) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  tessaro::textio::LineReader reader(in, path);
  tessaro::Wavefunction w;
  read(reader, w);
  return w;
}

}  // namespace wfn_test
