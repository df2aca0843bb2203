#include "run/threads.hpp"

#include <sched.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace tessaro {

#ifdef _OPENMP

namespace {

// The first entry of OMP_NUM_THREADS's list ("4" or "4,2"), 0 when it is not
// a positive whole number.
int first_listed_count(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  const char* end = text + std::strlen(text);
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  int n = 0;
  const auto [next, error] = std::from_chars(p, end, n);
  if (error != std::errc() || n < 1) return 0;
  for (const char* q = next; q < end && *q != ','; ++q)
    if (*q != ' ' && *q != '\t') return 0;
  return n;
}

int cores_available() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int n = CPU_COUNT(&set);
  return n > 0 ? n : 1;
}

}  // namespace

int default_thread_count() {
  const int listed = first_listed_count(std::getenv("OMP_NUM_THREADS"));
  return listed > 0 ? listed : cores_available();
}
void set_thread_count(int n) { omp_set_num_threads(n > 0 ? n : 1); }
int thread_count() { return omp_get_max_threads(); }
int thread_index() { return omp_get_thread_num(); }

#else

int default_thread_count() { return 1; }
void set_thread_count(int) {}
int thread_count() { return 1; }
int thread_index() { return 0; }

#endif

}  // namespace tessaro
