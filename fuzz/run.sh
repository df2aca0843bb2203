#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one.
#
#   fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 20); TARGET names such as fuzz_cube (default:
# every fuzz/*.cpp). Each target starts from fuzz/seeds/<target>/ plus the
# matching files of tests/data and ../shared/data when present; the corpus it
# grows is kept in build-fuzz/corpus/<target>/ (not committed) and reused by
# the next run, and crash inputs land in build-fuzz/artifacts/<target>/.
# Runs longer than the smoke test: fuzz/run.sh 3600 fuzz_wfn  (one hour).
# FUZZ_JOBS=2 runs two targets at a time; TESSARO_WERROR=ON builds with
# warnings as errors (CI does). The exit status is non-zero when a target
# reported a crash, leak, timeout or sanitizer error.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
shift || true
jobs=${FUZZ_JOBS:-1}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTESSARO_BUILD_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF \
  -DTESSARO_WERROR="${TESSARO_WERROR:-OFF}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS= >/dev/null || exit 1
cmake --build build-fuzz -j2 >/dev/null || { cmake --build build-fuzz -j1; exit 1; }

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

shared=$root/../shared/data
data=$root/tests/data
# The real files that suit each target (folders are read recursively).
data_for() {
  case $1 in
    fuzz_cube) echo "$shared/cube_external $data/wavefunction $data/analysis" ;;
    fuzz_grd) echo "$shared/xd_grd $data/analysis" ;;
    fuzz_wfn) echo "$shared/wfn_external $data/wavefunction" ;;
    fuzz_wfx) echo "$shared/gh_wfn $data/wavefunction/gh_wfn" ;;
    fuzz_crystal_output) echo "$shared/crystal_out $data/topond" ;;
    fuzz_topond_grid) echo "$data/topond" ;;
    fuzz_free_form | fuzz_fixed_fields) echo "$data/textio" ;;
    fuzz_input_template) echo "$root/examples $data/input" ;;
    *) echo "" ;;
  esac
}

run_one() {
  local t=$1
  # Absolute paths: the whole-run target works in a folder of its own.
  local corpus=$root/build-fuzz/corpus/$t artifacts=$root/build-fuzz/artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  local dirs=()
  [ -d "$root/fuzz/seeds/$t" ] && dirs+=("$root/fuzz/seeds/$t")
  for d in $(data_for "$t"); do [ -d "$d" ] && dirs+=("$d"); done
  # Memory: 2 GB per process; the targets refuse single blocks over 64 MB
  # themselves (see fuzz/fuzz_support.hpp). A run over 25 s is a hang.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n 10 "$root/build-fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=2048 \
    -timeout=25 -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "${dirs[@]}" >"build-fuzz/$t.log" 2>&1
  local rc=$?
  local execs
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/$t.log" | grep -o '[0-9]*$')
  echo "$t: status $rc, ${execs:-?} executions in ${seconds} s (log build-fuzz/$t.log)"
  return $rc
}

failed=0
running=0
for t in "${targets[@]}"; do
  if [ "$jobs" -gt 1 ]; then
    run_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then wait -n || failed=1; running=$((running - 1)); fi
  else
    run_one "$t" || failed=1
  fi
done
while [ "$running" -gt 0 ]; do wait -n || failed=1; running=$((running - 1)); done
exit $failed
