#include "run/run_end.hpp"

#include <unistd.h>

#include <limits>
#include <new>

namespace tessaro {

namespace {

std::size_t physical_memory_bytes() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page_size);
}

[[noreturn]] void refuse() { throw std::bad_alloc(); }

}  // namespace

void check_allocation(std::size_t count, std::size_t element_size) {
  if (element_size != 0 && count > std::numeric_limits<std::size_t>::max() / element_size) refuse();
  if (count * element_size > physical_memory_bytes()) refuse();
}

void check_grid_allocation(long long n1, long long n2, long long n3, std::size_t element_size) {
  if (n1 <= 0 || n2 <= 0 || n3 <= 0) return;  // empty grid: nothing to allocate
  const auto max = std::numeric_limits<std::size_t>::max();
  std::size_t a = static_cast<std::size_t>(n1), b = static_cast<std::size_t>(n2), c = static_cast<std::size_t>(n3);
  if (a > max / b) refuse();
  std::size_t ab = a * b;
  if (ab > max / c) refuse();
  check_allocation(ab * c, element_size);
}

}  // namespace tessaro
