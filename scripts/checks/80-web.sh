# The web build in headless Chromium: the page, the live show against its audio clock, full
# screen, the end and playing again, the error pages, and offline frames and sound against the
# capture tool (golden checksums, PNG pixels, the WAV's bytes) for one frame of every scene block.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
export NODE_PATH=/usr/share/nodejs  # Debian's node modules (ws, and Emscripten's own)
build_preset web
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
capture=$K417_ROOT/build/linux/tools/k417-capture/k417-capture
# Every 50th frame as PNG (the golden frames) and the sound; then positions heard per millisecond
# for the first seconds, which the live show's positions are checked against.
"$capture" --fps 10 --png "$work/frames" --every 50 --wav "$work/show.wav" --quiet
"$capture" --fps 1000 --frames 8000 --checksums --quiet >"$work/positions-1000fps.txt"
node "$K417_ROOT/tests/platform/web/web_checks.js" "$K417_ROOT/build/web/site" "$work"
