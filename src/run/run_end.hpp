#pragma once
// Ending a run. Nothing below main() calls std::exit: a fatal condition writes
// its message where the system says, then throws RunEnd, which main() catches
// and turns into the process exit status.
#include <cstddef>

namespace tessaro {

struct RunEnd {
  int status = 0;  // 0 normal end, 1 an error the program reported itself, 2 text-layer failure
};

[[noreturn]] inline void end_run(int status) { throw RunEnd{status}; }

// The message main() prints (on standard error) for an allocation that failed
// or that a guard refused; the run then ends with status 1.
inline constexpr const char* kAllocationMessage = "Allocation would exceed memory limit";

// Guard to call before allocating `count` elements of `element_size` bytes
// (grids, row buffers, coefficient tables). The product is computed without
// overflow; when it does not fit in the memory available now (see
// MemorySize) the guard throws std::bad_alloc before any allocation is tried,
// the same way out as a real failed allocation.
void check_allocation(std::size_t count, std::size_t element_size);

// Same for a grid of n1 x n2 x n3 values of `element_size` bytes (all the
// grids of one step together); the counts are taken as 64-bit. `held_bytes`
// is what the run holds already: new and held together must fit in the
// machine's physical memory.
void check_grid_allocation(long long n1, long long n2, long long n3, std::size_t element_size = sizeof(double),
                           std::size_t held_bytes = 0);

// What the guards measure against: the memory the system can give now
// without swapping (MemAvailable of /proc/meminfo, which leaves out what the
// run holds already; the physical memory where it is not known) and the
// physical memory.
struct MemorySize {
  std::size_t available = 0;
  std::size_t physical = 0;
};
using MemoryProbe = MemorySize (*)();
// Replaces the probe (tests try the guards on small grids); returns the
// previous one.
MemoryProbe set_memory_probe(MemoryProbe probe);

}  // namespace tessaro
