# The web build in headless Chromium: the page, the live show against its audio clock, full
# screen, the end and playing again, the error pages, and offline frames and sound against the
# capture tool (golden checksums, PNG pixels, the WAV's bytes) for one frame of every scene block.
# First the web build's SIMD conversions against the processor's own, input by input.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
export NODE_PATH=/usr/share/nodejs  # Debian's node modules (ws, and Emscripten's own)
build_preset web
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
conversions=$K417_ROOT/tests/platform/web/simd_conversions.cpp
g++ -O2 -msse2 -o "$work/conversions" "$conversions"
em++ -O2 -msse2 -msimd128 -I"$K417_ROOT/platform/web/simd" -sENVIRONMENT=node -sSINGLE_FILE=1 \
  -o "$work/conversions.js" "$conversions"
"$work/conversions" >"$work/conversions-native.txt"
node "$work/conversions.js" >"$work/conversions-web.txt"
cmp "$work/conversions-native.txt" "$work/conversions-web.txt" ||
  { echo "SSE2 conversions differ between the web build and this processor:"; diff "$work/conversions-native.txt" "$work/conversions-web.txt" | head; exit 1; }
echo "ok: $(wc -l <"$work/conversions-web.txt") SSE2 conversions give the processor's results in WebAssembly"
capture=$K417_ROOT/build/linux/tools/k417-capture/k417-capture
# Every 50th frame as PNG (the golden frames) and the sound; then positions heard per millisecond
# for the first seconds, which the live show's positions are checked against.
"$capture" --fps 10 --png "$work/frames" --every 50 --wav "$work/show.wav" --quiet
"$capture" --fps 1000 --frames 15000 --checksums --quiet >"$work/positions-1000fps.txt"
node "$K417_ROOT/tests/platform/web/web_checks.js" "$K417_ROOT/build/web/site" "$work"
