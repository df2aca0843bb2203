#pragma once
// The number of threads the parallel loops use. OpenMP carries it; a build
// without OpenMP runs every loop in one thread and reports 1.
//
// Parallel loops split work whose arithmetic does not depend on the split:
// each point or row is computed whole by one thread, exactly as one thread
// alone computes it, so every output is the same bit for bit for any count.

// An OpenMP pragma that vanishes without OpenMP (no unknown-pragma warning):
// TESSARO_OMP(omp parallel for schedule(dynamic, 4)).
#ifdef _OPENMP
#define TESSARO_OMP(directive) _Pragma(#directive)
#else
#define TESSARO_OMP(directive)
#endif

namespace tessaro {

// The count a run starts with: the first number of OMP_NUM_THREADS when that
// is set to a positive whole number, otherwise the number of cores this
// process may run on (its CPU affinity mask). 1 without OpenMP.
int default_thread_count();

// Every later parallel loop runs n threads (n >= 1; without OpenMP nothing
// changes).
void set_thread_count(int n);
// The count the next parallel loop runs.
int thread_count();

// The number of the calling thread within its parallel loop, 0 to count - 1;
// 0 for the thread that started the loop, and outside any loop.
int thread_index();

}  // namespace tessaro
