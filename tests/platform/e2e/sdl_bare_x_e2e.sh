#!/usr/bin/env bash
# End-to-end checks of the native Linux (SDL2) programs in an X server without a window manager, as
# in a minimal or kiosk session (the caller gives the server: xvfb-run). Usage: sdl_bare_x_e2e.sh BUILD_DIR.
# Nobody answers a full-screen request here, so the programs must cover the screen themselves.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e_lib.sh"
build=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/k417-sdl-bare.XXXXXX)
export SDL_AUDIODRIVER=dummy
trap 'rm -rf "$work"' EXIT
if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  e2e_fail "a window manager runs on $DISPLAY; this check needs a bare X server"
fi

testcard=$build/tests/platform/testcard/k417_testcard
if [ -x "$testcard" ]; then
  mkdir -p "$work/card"
  # The colour bars have no black pixel: the lit area is the picture itself.
  cd "$work/card" && e2e_centred_picture "K417 testcard" "$work/card" "$testcard"
  cd "$work/card" && e2e_show_checks "K417 testcard" "$work/card" "$testcard"
else
  echo "skip: $testcard not built"
fi

if [ -x "$build/app/sdl2/k417" ]; then
  mkdir -p "$work/show"
  cd "$work/show" && e2e_show_checks "K417 by Windmillcove" "$work/show" "$build/app/sdl2/k417"
else
  echo "skip: the program is not built yet"
fi

echo "SDL2 end-to-end without a window manager: $([ $E2E_STATUS = 0 ] && echo passed || echo FAILED)"
exit $E2E_STATUS
