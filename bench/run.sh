#!/usr/bin/env bash
# Builds every benchmark under bench/ in release mode (in build-bench/ beside
# this folder) and runs each one; each makes its own workload and prints its
# figures. Usage: bash bench/run.sh [benchmark-name ...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-bench"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_BENCH=ON -DTESSARO_BUILD_TESTS=OFF >/dev/null

names=()
if [ "$#" -gt 0 ]; then
  names=("$@")
else
  for src in "$root"/bench/*.cpp; do
    names+=("$(basename "$src" .cpp)")
  done
fi
if [ "${#names[@]}" -eq 0 ]; then
  echo "no benchmarks under $root/bench"
  exit 0
fi

cmake --build "$build" -j2 --target "${names[@]}"

status=0
for name in "${names[@]}"; do
  echo
  echo "== $name"
  if ! "$build/$name"; then
    echo "$name failed"
    status=1
  fi
done
exit "$status"
