# Every libFuzzer target for a bounded time (FUZZ_SECONDS, default 45) over its seed corpus.
# Any crash, leak, sanitizer report or timeout fails the check.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
[ -n "$(ls "$K417_ROOT"/fuzz/*/CMakeLists.txt 2>/dev/null)" ] || { echo "no fuzz targets"; exit 0; }
build_preset fuzz
seconds=${FUZZ_SECONDS:-45}
for dir in "$K417_ROOT"/fuzz/*/; do
  name=$(basename "$dir")
  exe=$K417_ROOT/build/fuzz/fuzz/$name/$name
  [ -x "$exe" ] || continue
  work=$(mktemp -d)
  [ -d "$dir/corpus" ] && cp -r "$dir/corpus/." "$work/"
  echo "fuzzing $name for $seconds s"
  (cd "$work" && "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$K417_ROOT/build/fuzz/$name-" "$work" 2>&1 | tail -12)
  rm -rf "$work"
done
