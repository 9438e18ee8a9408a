# The Windows x86_64 executables under wine64 in a virtual X server (ALSA's null device for
# sound): the resource check on the testcard (and that it fails without the archive), then full
# screen, Alt+Enter, Escape, the missing-archive box and the winmm clock.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux --target k417_assets  # the archive and icon the executable embeds
build_preset win64
card=$K417_ROOT/build/win64/tests/platform/testcard
python3 "$K417_ROOT/scripts/check-resources.py" "$card/k417_testcard.exe"
if python3 "$K417_ROOT/scripts/check-resources.py" "$card/k417_testcard_noarchive.exe" >/dev/null; then
  echo "FAIL: the resource check accepts an executable without the archive"; exit 1
fi
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$K417_ROOT/tests/platform/e2e/wine_e2e.sh" "$K417_ROOT/build/win64"
