#include "run/run_end.hpp"

#include <unistd.h>

#include <charconv>
#include <fstream>
#include <limits>
#include <new>
#include <string>

namespace tessaro {

namespace {

constexpr std::size_t kUnknown = std::numeric_limits<std::size_t>::max();

std::size_t physical_memory_bytes() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return kUnknown;
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page_size);
}

// "MemAvailable:   12345678 kB" of /proc/meminfo, in bytes.
std::size_t available_memory_bytes() {
  std::ifstream meminfo("/proc/meminfo");
  constexpr std::string_view kLabel = "MemAvailable:";
  for (std::string line; std::getline(meminfo, line);) {
    if (line.compare(0, kLabel.size(), kLabel) != 0) continue;
    const std::size_t digits = line.find_first_not_of(' ', kLabel.size());
    std::size_t kib = 0;
    if (digits == std::string::npos) return kUnknown;
    const auto [end, ec] = std::from_chars(line.data() + digits, line.data() + line.size(), kib);
    if (ec != std::errc() || kib > kUnknown / 1024) return kUnknown;
    return kib * 1024;
  }
  return kUnknown;
}

MemorySize system_memory() {
  MemorySize m;
  m.physical = physical_memory_bytes();
  const std::size_t available = available_memory_bytes();
  m.available = available < m.physical ? available : m.physical;
  return m;
}

MemoryProbe memory_probe = system_memory;

[[noreturn]] void refuse() { throw std::bad_alloc(); }

void check_bytes(std::size_t count, std::size_t element_size, std::size_t held_bytes) {
  if (element_size != 0 && count > kUnknown / element_size) refuse();
  const std::size_t bytes = count * element_size;
  const MemorySize memory = memory_probe();
  if (bytes > memory.available) refuse();
  if (held_bytes > memory.physical || bytes > memory.physical - held_bytes) refuse();
}

}  // namespace

MemoryProbe set_memory_probe(MemoryProbe probe) {
  const MemoryProbe previous = memory_probe;
  memory_probe = probe;
  return previous;
}

void check_allocation(std::size_t count, std::size_t element_size) { check_bytes(count, element_size, 0); }

void check_grid_allocation(long long n1, long long n2, long long n3, std::size_t element_size,
                           std::size_t held_bytes) {
  if (n1 <= 0 || n2 <= 0 || n3 <= 0) return;  // empty grid: nothing to allocate
  std::size_t a = static_cast<std::size_t>(n1), b = static_cast<std::size_t>(n2), c = static_cast<std::size_t>(n3);
  if (a > kUnknown / b) refuse();
  std::size_t ab = a * b;
  if (ab > kUnknown / c) refuse();
  check_bytes(ab * c, element_size, held_bytes);
}

}  // namespace tessaro
