#!/usr/bin/env bash
# Builds and runs every benchmark on one core, then times the capture tool's start-up and measures
# the peak memory of a whole-show capture (the figures in docs/performance.md come from here).
# Arguments go to every benchmark program; REPS sets the repetitions (medians are reported).
# On a fresh machine it first installs what the build, the peers and the module corpus need.
set -euo pipefail
cd "$(dirname "$0")/.."
export K417_ROOT=$PWD JOBS=$(nproc)
scripts/setup.sh
source scripts/checks/lib.sh
build_preset linux
for exe in build/linux/bench/*/bench_*; do
  [ -x "$exe" ] || continue
  echo "=== $(basename "$exe")"
  taskset -c 0 "$exe" --benchmark_repetitions=${REPS:-5} --benchmark_report_aggregates_only=true "$@"
done

capture=build/linux/tools/k417-capture/k417-capture
[ -x "$capture" ] || { echo "k417-capture is missing: start-up and memory not measured"; exit 0; }

# Process start to the first frame rendered, and out again: the whole of a one-frame capture.
echo "=== start-up: k417-capture --frames 1, wall time, median of 9 runs"
times=()
for _ in 1 2 3 4 5 6 7 8 9; do
  start=$EPOCHREALTIME
  "$capture" --frames 1 --quiet >/dev/null
  end=$EPOCHREALTIME
  times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "median %s ms (fastest %s, slowest %s)\n", v[5], v[1], v[9] }'

echo "=== memory: peak resident set of a whole-show capture at 60 fps (/usr/bin/time -v)"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -v "$capture" --fps 60 --quiet 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ { printf "peak %.1f MB (%s kB)\n", $2 / 1024, $2 }
                /User time/ { user = $2 } /Elapsed/ { wall = $2 }
                END { printf "whole show: %s s user, %s wall\n", user, wall }'
else
  echo "/usr/bin/time is missing (Debian package time): peak memory not measured"
fi
