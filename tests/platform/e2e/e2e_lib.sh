# Helpers of the end-to-end checks: windows found by title, their geometry, keys, screenshots and
# exit codes, all under an X server (Xvfb) that the caller provides through DISPLAY.
# Every wait is bounded; a failed expectation prints what was seen and sets E2E_STATUS.

E2E_STATUS=0
e2e_fail() { echo "FAIL: $*"; E2E_STATUS=1; }
e2e_pass() { echo "ok: $*"; }

# e2e_wait_window TITLE SECONDS [MAX_WIDTH]: prints the id of the first viewable window named
# TITLE (narrower than MAX_WIDTH when given: an error box shares the program window's title). The
# window tree is read with xwininfo: xdotool's name search misses some windows (SDL's message box).
e2e_wait_window() {
  local title=$1 deadline=$((SECONDS + $2)) max=${3:-100000} id info width
  while [ $SECONDS -lt $deadline ]; do
    for id in $(xwininfo -root -tree 2>/dev/null | awk -v t="\"$title\":" 'index($0, t) { print $1 }'); do
      info=$(xwininfo -id "$id" 2>/dev/null)
      width=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
      if grep -q 'Map State: IsViewable' <<<"$info" && [ "${width:-0}" -lt "$max" ]; then
        echo $((id))
        return 0
      fi
    done
    sleep 0.3
  done
  return 1
}

# e2e_geometry ID: "X Y WIDTH HEIGHT" of the window.
e2e_geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || return 1
  echo "$X $Y $WIDTH $HEIGHT"
}

# e2e_wait_size ID WIDTH HEIGHT SECONDS
e2e_wait_size() {
  local deadline=$((SECONDS + $4)) g
  while [ $SECONDS -lt $deadline ]; do
    g=$(e2e_geometry "$1") && set -- "$1" "$2" "$3" "$4" $g
    [ "${7:-}" = "$2" ] && [ "${8:-}" = "$3" ] && return 0
    sleep 0.3
  done
  return 1
}

# e2e_key ID KEYS: gives the window the keyboard focus and types the keys.
e2e_key() {
  timeout 5 xdotool windowfocus --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1" >/dev/null 2>&1
  sleep 0.2
  xdotool key --clearmodifiers "$2"
}

# e2e_screenshot FILE [WIDTHxHEIGHT+X+Y]: the root window, optionally cropped.
e2e_screenshot() {
  if [ -n "${2:-}" ]; then import -window root -crop "$2" +repage "$1"; else import -window root "$1"; fi
}

# e2e_brightness FILE: mean grey level from 0 to 1.
e2e_brightness() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }

# e2e_colours FILE: number of distinct colours (a scaled-down copy, so blending does not count).
e2e_colours() { convert "$1" -scale 64x64 -colors 64 -format '%k' info:; }

# e2e_wait_picture FILE SECONDS [CROP]: waits until a screenshot is not black.
e2e_wait_picture() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    e2e_screenshot "$1" "${3:-}"
    awk -v b="$(e2e_brightness "$1")" 'BEGIN { exit !(b > 0.02) }' && return 0
    sleep 0.5
  done
  return 1
}

# e2e_lit_box FILE: "X Y WIDTH HEIGHT" of the smallest rectangle holding every pixel that is not
# black (a black border is added first so the trim always starts from black); "0 0 0 0" when all is black.
e2e_lit_box() {
  local w h x y
  read -r w h x y < <(convert "$1" -bordercolor black -border 1 -fuzz 2% -trim -format '%w %h %X %Y' info: 2>/dev/null)
  if [ -z "$y" ] || [ "$x" -lt 0 ]; then echo "0 0 0 0"; return; fi
  echo "$((x - 1)) $((y - 1)) $w $h"
}

# e2e_wait_exit PID SECONDS: sets E2E_EXIT to the exit code, or to "running" when it has not ended.
# (Not a command substitution: only this shell can wait for its own child.)
e2e_wait_exit() {
  local deadline=$((SECONDS + $2))
  E2E_EXIT=running
  while [ $SECONDS -lt $deadline ]; do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      E2E_EXIT=$?
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# e2e_screen_size: "WIDTH HEIGHT" of the X screen.
e2e_screen_size() { xdotool getdisplaygeometry; }

# The first window size for a 320 x 200 frame: doubled when the screen holds three times the frame.
e2e_expected_window() {
  local sw sh
  read -r sw sh < <(e2e_screen_size)
  if [ "$sw" -ge 960 ] && [ "$sh" -ge 600 ]; then echo "640 400"; else echo "320 200"; fi
}

# e2e_start TITLE OUT WHAT COMMAND...: starts the command with its output in OUT and waits for its
# window; sets E2E_PID and E2E_ID. Without a window it fails (WHAT says which run), stops the
# program and returns 1.
e2e_start() {
  local title=$1 out=$2 what=$3
  shift 3
  "$@" >"$out" 2>&1 &
  E2E_PID=$!
  if ! E2E_ID=$(e2e_wait_window "$title" 120); then
    e2e_fail "$title$what: no window appeared"; kill "$E2E_PID" 2>/dev/null; tail -5 "$out"; return 1
  fi
}

# e2e_alt_enter_checks LABEL ID WORK: from full screen, Alt+Enter gives a window of the first size
# with the picture in it; Alt+Enter returns to full screen; Alt+Enter again gives the window at the
# same place and size.
e2e_alt_enter_checks() {
  local label=$1 id=$2 work=$3 sw sh ew eh x y w h
  read -r sw sh < <(e2e_screen_size)
  read -r ew eh < <(e2e_expected_window)
  e2e_key "$id" alt+Return
  if e2e_wait_size "$id" "$ew" "$eh" 20; then e2e_pass "$label: Alt+Enter gives a ${ew}x${eh} window"
  else e2e_fail "$label: Alt+Enter gave $(e2e_geometry "$id"), not ${ew}x${eh}"; fi
  read -r x y w h < <(e2e_geometry "$id")
  if e2e_wait_picture "$work/windowed.png" 20 "${w}x${h}+${x}+${y}"; then e2e_pass "$label: the window shows the picture"
  else e2e_fail "$label: the window stays black"; fi
  e2e_key "$id" alt+Return
  if e2e_wait_size "$id" "$sw" "$sh" 20; then e2e_pass "$label: Alt+Enter returns to full screen"
  else e2e_fail "$label: the second Alt+Enter left $(e2e_geometry "$id")"; fi
  e2e_key "$id" alt+Return
  if e2e_wait_size "$id" "$w" "$h" 20 && [ "$(e2e_geometry "$id")" = "$x $y $w $h" ]; then
    e2e_pass "$label: the next window period returns to ${w}x${h} at $x,$y"
  else e2e_fail "$label: the next window is $(e2e_geometry "$id"), not $x $y $w $h"; fi
}

# e2e_show_checks TITLE WORK COMMAND...: starts the program and checks, in order: the window
# covers the screen (full screen) and shows a picture; Alt+Enter gives a window of the first size
# with the picture in it; Alt+Enter returns to full screen; Alt+Enter again gives the window at
# the same place and size; Escape ends the program with exit code 0.
e2e_show_checks() {
  local title=$1 work=$2
  shift 2
  e2e_start "$title" "$work/program.out" "" "$@" || return
  local pid=$E2E_PID id=$E2E_ID sw sh code
  read -r sw sh < <(e2e_screen_size)
  if e2e_wait_size "$id" "$sw" "$sh" 30; then e2e_pass "$title starts full screen (${sw}x${sh})"
  else e2e_fail "$title: not full screen at start: $(e2e_geometry "$id")"; fi
  if e2e_wait_picture "$work/fullscreen.png" 60; then e2e_pass "$title shows a picture in full screen"
  else e2e_fail "$title: the full-screen picture stays black"; fi
  e2e_alt_enter_checks "$title" "$id" "$work"
  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 30
  code=$E2E_EXIT
  if [ "$code" = 0 ]; then e2e_pass "Escape ends $title with exit code 0"
  else e2e_fail "$title: after Escape the exit code is $code"; kill "$pid" 2>/dev/null; tail -5 "$work/program.out"; fi
}

# e2e_silent_music TITLE WORK COMMAND...: the testcard (with --module and --log log.txt in WORK)
# started where no sound device opens must still move its music on the clock, say once that it
# plays without sound, and end on Escape with exit code 0.
e2e_silent_music() {
  local title=$1 work=$2 id first last frames
  shift 2
  e2e_start "$title" "$work/program.out" " without sound" "$@" || return
  local pid=$E2E_PID id=$E2E_ID
  sleep 4
  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 30
  [ "$E2E_EXIT" = 0 ] && e2e_pass "without sound, Escape ends $title with exit code 0" \
    || e2e_fail "$title without sound: exit code $E2E_EXIT"
  if read -r _ _ frames _ first _ last < <(tr -d '\r' <"$work/log.txt" 2>/dev/null | grep '^shutdown'); then
    [ "$last" -gt "$first" ] && e2e_pass "without sound the music position still advanced ($first to $last)" \
      || e2e_fail "$title without sound: the music position stayed at $first"
  else
    e2e_fail "$title without sound did not shut down through the shell"
  fi
  e2e_expect_text "$work/program.out" "the show plays without sound"
  local said
  said=$(grep -c "plays without sound" "$work/program.out")
  [ "$said" = 1 ] && e2e_pass "the missing sound is reported once" || e2e_fail "the missing sound is reported $said times"
}

# e2e_error_box TITLE WORK CODE COMMAND...: the program must show an error box captioned TITLE and
# then end with exit code CODE when the box is closed (1 for errors during start-up, 0 for an error
# deferred from the render thread). The message text is checked by the caller in WORK/program.out
# (standard error, or wine's message-box trace).
e2e_error_box() {
  local title=$1 work=$2 expected=$3 id code
  shift 3
  "$@" >"$work/program.out" 2>&1 &
  local pid=$!
  if id=$(e2e_wait_window "$title" 120 600); then
    e2e_pass "an error box captioned '$title' appears"
    sleep 0.5
    e2e_screenshot "$work/error-box.png"
    e2e_key "$id" Return
  else
    e2e_fail "no error box captioned '$title'"
  fi
  e2e_wait_exit "$pid" 30
  code=$E2E_EXIT
  if [ "$code" = "$expected" ]; then e2e_pass "the program ends with exit code $expected after the box"
  else e2e_fail "exit code $code after the error box, not $expected"; kill "$pid" 2>/dev/null; fi
}

# e2e_centred_picture TITLE WORK COMMAND...: starts the program (a production whose frame has no
# black pixels), takes a screenshot of the whole screen a few seconds after the picture appears and
# checks that the lit pixels are centred on the screen within two pixels; Escape ends it.
e2e_centred_picture() {
  local title=$1 work=$2 id sw sh x y w h
  shift 2
  e2e_start "$title" "$work/centred.out" " (centring)" "$@" || return
  local pid=$E2E_PID
  id=$E2E_ID
  e2e_wait_picture "$work/centred.png" 60 || true
  sleep 3
  e2e_screenshot "$work/centred.png"
  read -r sw sh < <(e2e_screen_size)
  read -r x y w h < <(e2e_lit_box "$work/centred.png")
  local dx=$((x - (sw - x - w))) dy=$((y - (sh - y - h)))
  if [ "$w" -gt 0 ] && [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]; then
    e2e_pass "$title's picture is centred on the ${sw}x${sh} screen (${w}x${h} at $x,$y)"
  else
    e2e_fail "$title's picture is not centred on the ${sw}x${sh} screen: lit ${w}x${h} at $x,$y (window $(e2e_geometry "$id"))"
  fi
  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 30 || kill "$pid" 2>/dev/null
}

# e2e_expect_text FILE TEXT: the file holds the text.
e2e_expect_text() {
  if grep -qF -- "$2" "$1"; then e2e_pass "'$2' reported"
  else e2e_fail "'$2' not found in $(basename "$1"):"; tail -5 "$1"; fi
}

# e2e_windowed_only TITLE WORK COMMAND...: a display without full screen (no DirectDraw) keeps the
# program running in its first window, showing the picture; Alt+Enter changes nothing; Escape
# ends it with exit code 0.
e2e_windowed_only() {
  local title=$1 work=$2 id ew eh x y w h
  shift 2
  e2e_start "$title" "$work/program.out" " without full screen" "$@" || return
  local pid=$E2E_PID
  id=$E2E_ID
  read -r ew eh < <(e2e_expected_window)
  if e2e_wait_size "$id" "$ew" "$eh" 20; then e2e_pass "without full screen the program opens a ${ew}x${eh} window"
  else e2e_fail "$title without full screen: the window is $(e2e_geometry "$id")"; fi
  read -r x y w h < <(e2e_geometry "$id")
  if e2e_wait_picture "$work/windowed-only.png" 30 "${w}x${h}+${x}+${y}"; then e2e_pass "the window shows the picture"
  else e2e_fail "$title without full screen: the window stays black"; fi
  e2e_key "$id" alt+Return
  sleep 2
  if [ "$(e2e_geometry "$id")" = "$x $y $w $h" ]; then e2e_pass "Alt+Enter keeps the window"
  else e2e_fail "$title without full screen: Alt+Enter changed the window to $(e2e_geometry "$id")"; fi
  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 30
  if [ "$E2E_EXIT" = 0 ]; then e2e_pass "Escape ends it with exit code 0"
  else e2e_fail "$title without full screen: exit code $E2E_EXIT"; kill "$pid" 2>/dev/null; fi
}

# e2e_matches_capture TITLE WORK CAPTURE COMMAND...: starts the program, takes a full-screen
# screenshot 14 s after its window appears and checks that the picture area (the frame doubled and
# centred) matches one of the capture tool's frames of the same stretch of the show.
e2e_matches_capture() {
  local title=$1 work=$2 capture=$3
  shift 3
  if [ ! -x "$capture" ]; then echo "skip: $capture not built"; return; fi
  "$@" >"$work/match.out" 2>&1 &
  local pid=$! id sw sh
  if ! id=$(e2e_wait_window "$title" 120); then
    e2e_fail "$title: no window appeared for the picture check"; kill "$pid" 2>/dev/null; return
  fi
  sleep 14
  read -r sw sh < <(e2e_screen_size)
  e2e_screenshot "$work/match.png" "640x400+$(((sw - 640) / 2))+$(((sh - 400) / 2))"
  e2e_key "$id" Escape
  e2e_wait_exit "$pid" 30 || kill "$pid" 2>/dev/null
  "$capture" --fps 10 --frames 301 --png "$work/capture" --range 60-300 --quiet
  convert "$work/match.png" -scale 320x200 rgb:"$work/match.rgb"
  local verdict
  if verdict=$(python3 "$(dirname "${BASH_SOURCE[0]}")/match_capture.py" "$work/match.rgb" "$work/capture"); then
    e2e_pass "$title's picture matches the capture tool's ($verdict)"
  else
    e2e_fail "$title's picture does not match the capture tool's frames ($verdict)"
  fi
}
