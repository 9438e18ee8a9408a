#!/usr/bin/env bash
# Builds and runs every benchmark on one core (the figures in the README come from here).
set -euo pipefail
cd "$(dirname "$0")/.."
export K417_ROOT=$PWD JOBS=$(nproc)
source scripts/checks/lib.sh
build_preset linux
for exe in build/linux/bench/*/bench_*; do
  [ -x "$exe" ] || continue
  echo "=== $(basename "$exe")"
  taskset -c 0 "$exe" --benchmark_repetitions=${REPS:-5} --benchmark_report_aggregates_only=true "$@"
done
