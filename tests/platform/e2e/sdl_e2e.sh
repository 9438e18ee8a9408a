#!/usr/bin/env bash
# End-to-end checks of the native Linux (SDL2) programs inside an X server the caller gives
# (xvfb-run). Usage: sdl_e2e.sh BUILD_DIR. A window manager (openbox) runs so that desktop full
# screen means what it means on a desktop; SDL's dummy audio driver stands in for a sound card.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e_lib.sh"
build=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/k417-sdl.XXXXXX)
export SDL_AUDIODRIVER=dummy
wm_pid=
cleanup() { [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
if command -v openbox >/dev/null; then
  openbox >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  sleep 1
else
  e2e_fail "no window manager (openbox) to give the window its full screen"
fi

testcard=$build/tests/platform/testcard
pak=$build/assets/k417.pak

# The testcard: its log tells how many frames it drew and the music positions it saw.
if [ -x "$testcard/k417_testcard" ]; then
  mkdir -p "$work/card"
  args=(--log "$work/card/log.txt")
  if [ -f "$pak" ] && grep -qa 'FINI.XM' "$pak"; then args+=(--module fini.xm); fi
  cd "$work/card" && e2e_show_checks "K417 testcard" "$work/card" "$testcard/k417_testcard" "${args[@]}"
  if grep -q '^shutdown' "$work/card/log.txt" 2>/dev/null; then
    read -r _ _ frames _ first _ last < <(tr -d '\r' <"$work/card/log.txt" | grep '^shutdown')
    [ "$frames" -gt 10 ] && e2e_pass "the testcard drew $frames frames" || e2e_fail "only $frames frames drawn"
    if [[ " ${args[*]} " == *" --module "* ]]; then
      [ "$last" -gt "$first" ] && e2e_pass "the music position advanced ($first to $last)" \
        || e2e_fail "the music position did not advance ($first to $last)"
    fi
  else
    e2e_fail "the testcard did not shut down through the shell"
  fi
  cd "$work/card" && e2e_centred_picture "K417 testcard" "$work/card" "$testcard/k417_testcard"
else
  echo "skip: $testcard/k417_testcard not built"
fi

# No sound device (SDL knows no audio driver of that name): the music runs silently on the clock.
if [ -x "$testcard/k417_testcard" ] && [ -f "$pak" ] && grep -qa 'FINI.XM' "$pak"; then
  mkdir -p "$work/silent"
  cd "$work/silent" && e2e_silent_music "K417 testcard" "$work/silent" \
    env SDL_AUDIODRIVER=no-such-driver "$testcard/k417_testcard" --log "$work/silent/log.txt" --module fini.xm
fi

# A fatal error on the render thread: the window closes, the shutdown runs, then the box; exit 0.
if [ -x "$testcard/k417_testcard" ]; then
  cd "$work/card" && e2e_error_box "K417 testcard" "$work/card" 0 "$testcard/k417_testcard" --fail-in-frame 30
  e2e_expect_text "$work/card/program.out" "Testcard failure in frame 30."
fi

# The missing archive: nothing embedded, no k417.pak here or beside the executable.
if [ -x "$testcard/k417_testcard_noarchive" ]; then
  mkdir -p "$work/none" && cp "$testcard/k417_testcard_noarchive" "$work/none/"
  cd "$work/none" && e2e_error_box "K417 testcard" "$work/none" 1 ./k417_testcard_noarchive
  e2e_expect_text "$work/none/program.out" "Error opening archive 'k417.pak'."
fi

# The program itself, once the production links.
if [ -x "$build/app/sdl2/k417" ]; then
  mkdir -p "$work/show"
  cd "$work/show" && e2e_show_checks "K417 by Windmillcove" "$work/show" "$build/app/sdl2/k417"
else
  echo "skip: the program is not built yet"
fi

# The wave device: the byte count follows real time and keeps rising past the loop's end.
if [ -x "$testcard/wave_clock_check" ]; then
  if "$testcard/wave_clock_check" >"$work/wave.out" 2>&1; then e2e_pass "SDL2 audio: $(tail -1 "$work/wave.out")"
  else e2e_fail "SDL2 audio clock:"; cat "$work/wave.out"; fi
fi

echo "SDL2 end-to-end: $([ $E2E_STATUS = 0 ] && echo passed || echo FAILED)"
exit $E2E_STATUS
