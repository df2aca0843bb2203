#include "run/run_end.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <string>

#include "support/files.hpp"
#include "support/program.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

// A machine of a few kilobytes, so that the guards can be tried on small
// grids.
MemorySize small_machine;
MemorySize small_machine_memory() { return small_machine; }

class SmallMemory {
 public:
  SmallMemory(std::size_t available, std::size_t physical) : previous_(set_memory_probe(small_machine_memory)) {
    small_machine = {available, physical};
  }
  ~SmallMemory() { set_memory_probe(previous_); }
  SmallMemory(const SmallMemory&) = delete;
  SmallMemory& operator=(const SmallMemory&) = delete;

 private:
  MemoryProbe previous_;
};

bool refused(long long n, std::size_t held) {
  try {
    check_grid_allocation(n, n, n, sizeof(double), held);
    return false;
  } catch (const std::bad_alloc&) {
    return true;
  }
}

// New grids must fit in what the system can give now, and together with the
// grids held already in its memory.
TEST(MemoryGuard, NewGridsFitInWhatIsAvailableAndWithTheHeldOnesInMemory) {
  const struct {
    std::size_t available, physical;
    long long n;  // an n x n x n grid of doubles
    std::size_t held;
    bool refused;
  } cases[] = {
      {8000, 8000, 10, 0, false},
      {7999, 80000, 10, 0, true},      // more than is available now
      {80000, 16000, 10, 8000, false},
      {80000, 16000, 10, 8001, true},  // new and held beyond the memory
      {80000, 16000, 10, 20000, true},
      {~std::size_t{0}, ~std::size_t{0}, 3000000, 0, true},  // the byte count itself overflows
  };
  for (const auto& c : cases) {
    SmallMemory memory(c.available, c.physical);
    EXPECT_EQ(refused(c.n, c.held), c.refused) << c.available << " " << c.physical << " " << c.n << " " << c.held;
  }
}

// The RDG step holds the density and the gradient (1000 bytes each for this
// 5 x 5 x 5 grid) when it asks for its own grid.
TEST(MemoryGuard, RdgSectionCountsTheGridsItHolds) {
  const std::string rho = read_file(std::filesystem::path(TESSARO_TEST_DATA) / "analysis/rho.cube");
  const std::string template_text =
      "OUTPUT_FILE_NAME r.txt\nSECTIONS *RDG\nRDG,RHO*(signL2) AND ABRAMOV\nINPUT *CUB\nCALCULATING *RDG\n"
      "RHO_INPUT_CUBE rho.cube\nGRAD= *calc\nLAPL=\nLAPL_INPUT_CUBE l.cube\nRDG_CALCULATION *all_p\n"
      "RDG_OUTPUT rdg\nSPACE_CUTOFF *none\n";
  for (const std::size_t memory : {3500, 2500}) {
    SCOPED_TRACE(std::to_string(memory) + " bytes");
    TempFolder folder;
    write_file("t.inp", template_text);
    write_file("rho.cube", rho);
    SmallMemory small(memory, memory);
    const ProgramResult r = run_program({"t.inp"});
    const bool fits = memory >= 3000;
    EXPECT_EQ(r.status, fits ? 0 : 1);
    EXPECT_EQ(r.err, fits ? "" : " Allocation would exceed memory limit\n");
    EXPECT_EQ(std::filesystem::exists("rdg.cube"), fits);
  }
}

}  // namespace
}  // namespace tessaro::testing
