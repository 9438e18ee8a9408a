#!/usr/bin/env bash
# End-to-end checks of the Windows executables under wine64, inside an X server the caller gives
# (xvfb-run). Usage: wine_e2e.sh BUILD_DIR. The wine prefix and HOME are temporary; ALSA plays
# into its null device. Runs the testcard (and the program, once it is built) through full screen,
# Alt+Enter and Escape, the missing-archive error, and the winmm clock check.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e_lib.sh"
build=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/k417-wine.XXXXXX)
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
# Sound goes to a private PulseAudio null sink, which plays at real time; ALSA's own null device
# takes samples as fast as they come (about four times real time under wine), so the show would
# race ahead of its clock. Without PulseAudio the null device is the fallback.
if command -v pulseaudio >/dev/null && pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
    --load="module-null-sink sink_name=silence" --load=module-native-protocol-unix >/dev/null 2>&1; then
  printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
  realtime_sound=1
else
  printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$HOME/.asoundrc"
  realtime_sound=0
fi
# Debian keeps wineserver off PATH; without it the prefix's processes outlive the check.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
cleanup() { "$wineserver" -k >/dev/null 2>&1; pulseaudio -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
"$wineserver" -w

testcard=$build/tests/platform/testcard
host=$(grep -s '^K417_HOST_DIR:' "$build/CMakeCache.txt" | cut -d= -f2)
pak=${K417_PAK:-$host/assets/k417.pak}

# The testcard: its log tells how many frames it drew and the music positions it saw.
if [ -f "$testcard/k417_testcard.exe" ]; then
  mkdir -p "$work/card" && cp "$testcard/k417_testcard.exe" "$work/card/"
  args=(--log log.txt)
  if [ -f "$pak" ] && grep -qa 'FINI.XM' "$pak"; then args+=(--module fini.xm); fi
  cd "$work/card" && e2e_show_checks "K417 testcard" "$work/card" "$wine" k417_testcard.exe "${args[@]}"
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
else
  echo "skip: $testcard/k417_testcard.exe not built"
fi

# No sound device (wine's audio drivers switched off, so waveOutOpen fails): the music runs silently
# on the clock and the program says so once on its standard error.
if [ -f "$testcard/k417_testcard.exe" ] && [ -f "$pak" ] && grep -qa 'FINI.XM' "$pak"; then
  mkdir -p "$work/silent" && cp "$testcard/k417_testcard.exe" "$work/silent/"
  cd "$work/silent" && e2e_silent_music "K417 testcard" "$work/silent" \
    env WINEDLLOVERRIDES="winepulse.drv,winealsa.drv,wineoss.drv=d" "$wine" k417_testcard.exe --log log.txt --module fini.xm
fi

# Without DirectDraw the program runs in a window; without DirectDraw and DrawDib nothing can show
# a frame and the display reports failure.
if [ -f "$testcard/k417_testcard.exe" ]; then
  cd "$work/card" && e2e_windowed_only "K417 testcard" "$work/card" \
    env WINEDLLOVERRIDES="ddraw=d" "$wine" k417_testcard.exe
  cd "$work/card" && e2e_error_box "K417 testcard" "$work/card" 1 \
    env WINEDLLOVERRIDES="ddraw,msvfw32=d" WINEDEBUG=trace+msgbox "$wine" k417_testcard.exe
  e2e_expect_text "$work/card/program.out" "Error initializing display!"
fi

# With DirectDraw but without DrawDib nothing could paint a window: Alt+Enter keeps full screen
# and its picture instead of switching to a window that would stay black.
if [ -f "$testcard/k417_testcard.exe" ]; then
  cd "$work/card"
  WINEDLLOVERRIDES="msvfw32=d" "$wine" k417_testcard.exe >"$work/card/program.out" 2>&1 &
  pid=$!
  read -r sw sh < <(e2e_screen_size)
  if id=$(e2e_wait_window "K417 testcard" 120) && e2e_wait_size "$id" "$sw" "$sh" 30; then
    e2e_key "$id" alt+Return
    sleep 2
    if [ "$(e2e_geometry "$id")" = "0 0 $sw $sh" ] && e2e_wait_picture "$work/card/no-drawdib.png" 20; then
      e2e_pass "without DrawDib Alt+Enter keeps full screen with its picture"
    else
      e2e_fail "without DrawDib Alt+Enter gave $(e2e_geometry "$id"), or a black screen"
    fi
    e2e_key "$id" Escape
  else
    e2e_fail "without DrawDib the testcard did not start full screen"
  fi
  e2e_wait_exit "$pid" 30 || kill "$pid" 2>/dev/null
fi

# A fatal error on the render thread: the window closes, the shutdown runs, then the box; exit 0.
if [ -f "$testcard/k417_testcard.exe" ]; then
  cd "$work/card" && e2e_error_box "K417 testcard" "$work/card" 0 \
    env WINEDEBUG=trace+msgbox "$wine" k417_testcard.exe --fail-in-frame 30
  e2e_expect_text "$work/card/program.out" "Testcard failure in frame 30."
fi

# The missing archive: no resource, no k417.pak on disk.
if [ -f "$testcard/k417_testcard_noarchive.exe" ]; then
  mkdir -p "$work/none" && cp "$testcard/k417_testcard_noarchive.exe" "$work/none/"
  cd "$work/none" && e2e_error_box "K417 testcard" "$work/none" 1 env WINEDEBUG=trace+msgbox "$wine" k417_testcard_noarchive.exe
  e2e_expect_text "$work/none/program.out" "Error opening archive 'k417.pak'."
fi

# The program itself, once the production links.
if [ -f "$build/app/win32/k417.exe" ]; then
  mkdir -p "$work/show" && cp "$build/app/win32/k417.exe" "$work/show/"
  cd "$work/show" && e2e_show_checks "K417 by Windmillcove" "$work/show" "$wine" k417.exe
  if [ "$realtime_sound" = 1 ]; then
    e2e_matches_capture "K417 by Windmillcove" "$work/show" "$host/tools/k417-capture/k417-capture" "$wine" k417.exe
  else
    echo "skip: the picture check needs sound at real time (PulseAudio)"
  fi
else
  echo "skip: the program is not built yet"
fi

# The wave device: winmm's byte count follows real time (about 50 segments a second) and keeps
# rising past the loop's end. Measured over 10 s: the PulseAudio sink starts about half a second
# late. With ALSA's null device only the lower bound holds.
if [ -f "$build/tests/platform/testcard/wave_clock_check.exe" ]; then
  bounds=(--seconds 10 --min-ratio 0.85 --max-ratio 1.15)
  [ "$realtime_sound" = 1 ] || bounds=(--max-ratio 8)
  cd "$work" && if "$wine" "$build/tests/platform/testcard/wave_clock_check.exe" "${bounds[@]}" >"$work/wave.out" 2>&1; then
    e2e_pass "winmm: $(tail -1 "$work/wave.out")"
  else
    e2e_fail "winmm clock:"; cat "$work/wave.out"
  fi
fi

echo "wine end-to-end: $([ $E2E_STATUS = 0 ] && echo passed || echo FAILED)"
exit $E2E_STATUS
