# The whole show through the capture tool: two runs give identical frames, chosen frames of every
# scene block match their recorded checksums, and a full low-rate capture runs clean under ASan/UBSan.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
golden=$K417_ROOT/tests/golden/capture-10fps.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
capture=$K417_ROOT/build/linux/tools/k417-capture/k417-capture
"$capture" --fps 10 --checksums --quiet >"$work/a.txt"
"$capture" --fps 10 --checksums --quiet >"$work/b.txt"
cmp "$work/a.txt" "$work/b.txt" || { echo "two captures differ"; exit 1; }
echo "$(wc -l <"$work/a.txt") frames at 10 fps, identical twice"
if [ "${K417_UPDATE_GOLDEN:-0}" = 1 ]; then
  awk 'NR % 50 == 1' "$work/a.txt" >"$golden"
  tail -1 "$work/a.txt" >>"$golden"
  echo "golden frames rewritten: $golden"
fi
missing=0
while read -r frame rest; do
  line=$(awk -v f="$frame" '$1 == f' "$work/a.txt")
  if [ "$line" != "$frame $rest" ]; then echo "frame $frame: got '${line}', want '$frame $rest'"; missing=1; fi
done <"$golden"
[ "$(tail -1 "$work/a.txt" | cut -d' ' -f1)" = "$(tail -1 "$golden" | cut -d' ' -f1)" ] || { echo "the show's length changed"; missing=1; }
[ $missing = 0 ] || { echo "golden frames differ (K417_UPDATE_GOLDEN=1 rewrites them on purpose)"; exit 1; }
echo "golden frames match"

asan=$K417_ROOT/build/asan/tools/k417-capture/k417-capture
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$asan" --fps 4 --quiet --checksums >"$work/asan.txt"
echo "ASan/UBSan full capture: $(wc -l <"$work/asan.txt") frames at 4 fps"
