#!/usr/bin/env bash
# The 32-bit runs of the Windows i686 build, inside the guest (or directly on a host whose kernel
# runs 32-bit code). Usage: wine32-job.sh SHARE PREFIXES. SHARE holds what the host prepared (the
# executables, the archive, damaged archives, the 32-bit capture tool, the e2e helpers) and receives
# the results: job lines "ok:"/"FAIL:", screenshots and capture output for the host to compare.
# PREFIXES holds prefix-gl and prefix-gdi (make-prefixes.sh). Subtle: a fault in a wine program does
# not always change its exit code (the crash handler may leave the process to Escape), so every run's
# output is searched for wine's fault report as well.
set -uo pipefail
share=$(cd "$1" && pwd)
prefixes=$2
source "$share/e2e_lib.sh"
: "${K417_SHOW_SECONDS:=60}" "${K417_WAVE_MIN_RATIO:=0.85}"
title="K417 by Windmillcove"
work=$(mktemp -d /tmp/k417-wine32.XXXXXX)
export HOME=$work/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
if pulseaudio -n --daemonize=yes --exit-idle-time=-1 --system=false \
    --load="module-null-sink sink_name=silence" --load=module-native-protocol-unix >"$work/pulse.log" 2>&1; then
  printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
  e2e_pass "sound: a PulseAudio null sink"
else
  e2e_fail "PulseAudio did not start: $(tail -2 "$work/pulse.log")"
  printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$HOME/.asoundrc"
fi
stamp() { echo "-- $(date +%T) $*"; }
# A dark scene doubled in the middle of a 1280x1024 screen is darker on average than the helper's
# threshold; a picture is a screenshot with more than a few colours (a black screen has one).
e2e_wait_picture() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    e2e_screenshot "$1" "${3:-}"
    [ "$(e2e_colours "$1")" -gt 8 ] && return 0
    sleep 0.5
  done
  return 1
}

# no_fault FILE WHAT: wine's report of an unhandled exception is a failure wherever it appears.
no_fault() {
  if grep -aqE 'Unhandled (page fault|exception|stack overflow|illegal)|starting debugger|Backtrace:' "$1"; then
    e2e_fail "$2: wine reports a fault:"; grep -aE -A12 'Unhandled|Backtrace:' "$1" | head -40
    cp "$1" "$share/fault-$(basename "$(dirname "$1")").txt"
    return 1
  fi
  e2e_pass "$2: no fault"
}

# show_run DIR SECONDS SHOT: one run of the show with every check of the x86-64 check in it: full
# screen with a picture at start, a screenshot of the picture area 14 s after the window appears,
# SECONDS of show, then Alt+Enter to the first window size, back to full screen and to the same
# window again, and Escape with exit code 0; wine's fault report must not appear. (One run instead
# of two: under emulation each start of wine costs half a minute.)
show_run() {
  local dir=$1 seconds=$2 shot=$3 pid id t0 sw sh
  cd "$dir" || return
  WINEDEBUG=trace+msgbox wine k417.exe >"$dir/program.out" 2>&1 &
  pid=$!
  if ! id=$(e2e_wait_window "$title" 120); then
    e2e_fail "$kind: no window appeared"; kill "$pid" 2>/dev/null; tail -5 "$dir/program.out"; return
  fi
  t0=$SECONDS
  read -r sw sh < <(e2e_screen_size)
  if e2e_wait_size "$id" "$sw" "$sh" 30; then e2e_pass "$kind: starts full screen (${sw}x${sh})"
  else e2e_fail "$kind: not full screen at start: $(e2e_geometry "$id")"; fi
  if e2e_wait_picture "$dir/fullscreen.png" 30; then e2e_pass "$kind: a picture in full screen"
  else e2e_fail "$kind: the full-screen picture stays black"; fi
  sleep $((t0 + 14 - SECONDS > 0 ? t0 + 14 - SECONDS : 0))
  e2e_screenshot "$shot" "640x400+$(((sw - 640) / 2))+$(((sh - 400) / 2))"
  while [ $((SECONDS - t0)) -lt "$seconds" ] && kill -0 "$pid" 2>/dev/null; do sleep 2; done
  if kill -0 "$pid" 2>/dev/null; then e2e_pass "$kind: $((SECONDS - t0)) s of show, still running"
  else e2e_fail "$kind: the program ended by itself after $((SECONDS - t0)) s"; fi

  e2e_alt_enter_checks "$kind" "$id" "$dir"

  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 60
  if [ "$E2E_EXIT" = 0 ]; then e2e_pass "$kind: Escape ends the show with exit code 0"
  else e2e_fail "$kind: after Escape the exit code is $E2E_EXIT"; kill "$pid" 2>/dev/null; fi
  no_fault "$dir/program.out" "$kind show"
  # A box shares the window's title, so the checks above could have been talking to it.
  local box
  box=$(tr -d '\r' <"$dir/program.out" | grep -a -m 3 'MSGBOX_OnInit')
  if [ -z "$box" ]; then e2e_pass "$kind: no message box"; else e2e_fail "$kind: a message box: $box"; fi
}

for kind in gl gdi; do
  export WINEPREFIX=$prefixes/prefix-$kind
  stamp "$kind: the show through wine's ${kind^^} presentation"
  mkdir -p "$work/$kind" && cp "$share/k417.exe" "$work/$kind/"
  show_run "$work/$kind" "$K417_SHOW_SECONDS" "$share/$kind-match.png"
  cp "$work/$kind/fullscreen.png" "$share/$kind-fullscreen.png" 2>/dev/null
done

# The testcard playing the tune through GDI presentation: where the fault was first reported.
export WINEPREFIX=$prefixes/prefix-gdi
stamp "gdi: the testcard with the tune"
mkdir -p "$work/card" && cp "$share/k417_testcard.exe" "$share/k417.pak" "$work/card/"
cd "$work/card" && wine k417_testcard.exe --module fini.xm --log log.txt >program.out 2>&1 &
pid=$!
if id=$(e2e_wait_window "K417 testcard" 120); then
  sleep 10
  e2e_key "$id" Escape
fi
e2e_wait_exit "$pid" 60 || kill "$pid" 2>/dev/null
[ "$E2E_EXIT" = 0 ] && e2e_pass "gdi: the testcard ends with exit code 0" || e2e_fail "gdi: testcard exit $E2E_EXIT"
no_fault "$work/card/program.out" "gdi testcard with the tune"
tr -d '\r' <"$work/card/log.txt" >"$share/card-gdi.log" 2>/dev/null

export WINEPREFIX=$prefixes/prefix-gl
stamp "the missing and damaged archives"
for case in none tune; do
  mkdir -p "$work/bad-$case" && cp "$share/k417_noarchive.exe" "$work/bad-$case/"
  [ -f "$share/bad-$case.pak" ] && cp "$share/bad-$case.pak" "$work/bad-$case/k417.pak"
  cd "$work/bad-$case" && e2e_error_box "$title" "$work/bad-$case" 1 \
    env WINEDEBUG=trace+msgbox wine k417_noarchive.exe
  tr -d '\r' <"$work/bad-$case/program.out" | grep -a 'MSGBOX_OnInit' >"$share/box-$case.txt"
done

# The 32-bit capture tool on its own: run beside the testcard under emulation, it starved wine's
# start-up (no window in two minutes, exit code 1); the winmm clock after it needs the processors
# to itself too.
if [ -x "$share/k417-capture-m32" ]; then
  stamp "the 32-bit capture tool"
  "$share/k417-capture-m32" --fps 10 --checksums --quiet --wav "$work/show.wav" >"$work/m32-checksums.txt" &&
    sha256sum <"$work/show.wav" | cut -d' ' -f1 >"$work/m32-wav.sha256"
  cp "$work/m32-checksums.txt" "$work/m32-wav.sha256" "$share/" 2>/dev/null
  stamp "the 32-bit capture tool has ended"
fi
stamp "the winmm clock"
# Under software emulation wine's sound path gets too little processor time to keep up (measured
# 0.34 to 0.8 of real time, varying with the host's load), so the caller lowers the lower bound
# there; the upper bound holds everywhere.
cd "$work" && if wine "$share/wave_clock_check.exe" --seconds 10 --min-ratio "$K417_WAVE_MIN_RATIO" --max-ratio 1.15 \
    >"$work/wave.out" 2>&1; then
  e2e_pass "winmm: $(tr -d '\r' <"$work/wave.out" | tail -1)"
else
  e2e_fail "winmm clock: $(tr -d '\r' <"$work/wave.out" | tail -3)"
fi
tr -d '\r' <"$work/wave.out" | grep -o '(\([0-9.]*\) of real time)' | tr -dc '0-9.' >"$share/wave-ratio.txt"
wineserver -k >/dev/null 2>&1

pulseaudio -k >/dev/null 2>&1
stamp "done"
exit $E2E_STATUS
