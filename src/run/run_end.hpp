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
// overflow; when it cannot be held in this machine's physical memory the guard
// throws std::bad_alloc before any allocation is tried, the same way out as a
// real failed allocation.
void check_allocation(std::size_t count, std::size_t element_size);

// Same for a grid of n1 x n2 x n3 doubles; the counts are taken as 64-bit.
void check_grid_allocation(long long n1, long long n2, long long n3, std::size_t element_size = sizeof(double));

}  // namespace tessaro
