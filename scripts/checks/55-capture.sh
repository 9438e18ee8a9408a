# The whole show through the capture tool: two runs give identical frames, chosen frames of every
# scene block match their recorded checksums, a few seconds make a sound MP4 through ffmpeg, and a
# full low-rate capture runs clean under ASan/UBSan.
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

# MP4 through ffmpeg, read back by ffprobe. The runs are steps of a loop reading standard input and
# write into a folder whose name needs quoting, as a script around the tool would use it.
command -v ffprobe >/dev/null || { echo "ffmpeg is not installed (scripts/setup.sh installs it)"; exit 1; }
videos="$work/it's a show"
mkdir -p "$videos"
runs=0
while read -r seconds scale; do
  "$capture" --fps 30 --frames $((seconds * 30)) --scale "$scale" --mp4 "$videos/show-$seconds.mp4" --quiet
  runs=$((runs + 1))
done <<<$'3 1\n2 2'
[ $runs = 2 ] || { echo "MP4: a capture ate the loop's standard input ($runs of 2 runs)"; exit 1; }
mp4_check() {  # FILE SECONDS WIDTH HEIGHT
  local probe
  probe=$(ffprobe -v error -show_entries stream=codec_type,width,height:format=duration -of default=nw=1 "$1")
  [ "$(grep -c '^codec_type=video$' <<<"$probe")" = 1 ] && [ "$(grep -c '^codec_type=audio$' <<<"$probe")" = 1 ] &&
    grep -qx "width=$3" <<<"$probe" && grep -qx "height=$4" <<<"$probe" &&
    awk -F= -v want="$2" '$1 == "duration" { d = $2 } END { exit !(d >= want - 0.1 && d <= want + 0.2) }' <<<"$probe" ||
    { echo "MP4 $(basename "$1"): want one video and one audio stream, ${3}x$4, $2 s; ffprobe says:"; echo "$probe"; exit 1; }
}
mp4_check "$videos/show-3.mp4" 3 320 200
mp4_check "$videos/show-2.mp4" 2 640 400
leftovers=$(find "$videos" -type f ! -name '*.mp4')
[ -z "$leftovers" ] || { echo "MP4: intermediate files left behind: $leftovers"; exit 1; }
echo "MP4: 3 s at 320x200 and 2 s at 640x400, one video and one audio stream each"

asan=$K417_ROOT/build/asan/tools/k417-capture/k417-capture
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$asan" --fps 4 --quiet --checksums >"$work/asan.txt"
echo "ASan/UBSan full capture: $(wc -l <"$work/asan.txt") frames at 4 fps"
