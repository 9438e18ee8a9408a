#!/usr/bin/env bash
# Bad input on the Windows build under wine64, inside an X server the caller gives (xvfb-run):
# the program without its archive resource reads a damaged k417.pak from its directory and must
# show the one error box (its text read from wine's message-box trace) and end with exit code 1.
# Usage: wine_bad_input.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR (the native build has the assets
# and the pak tool that packs the damaged archives).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../platform/e2e/e2e_lib.sh"
build=$(cd "$1" && pwd)
host=$(cd "$2" && pwd)
program=$build/tests/hardening/windows/k417_noarchive.exe
pak=$host/tools/pak/pak
assets=$host/assets
for need in "$program" "$pak" "$assets/fini.xm" "$assets/64.pcx" "$assets/fontje.dat"; do
  [ -e "$need" ] || { echo "FAIL: $need is missing"; exit 1; }
done

work=$(mktemp -d /tmp/k417-wine-bad.XXXXXX)
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$HOME/.asoundrc"
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w

# case_box NAME MESSAGE: runs the program in $work/NAME (which holds its k417.pak, or none) and checks
# for exactly one box, with exactly MESSAGE as wine's trace quotes it (a line break as \n), and
# exit code 1.
case_box() {
  local name=$1 message=$2 boxes
  echo "-- $name"
  cp "$program" "$work/$name/"
  cd "$work/$name" || return
  e2e_error_box "K417 by Windmillcove" "$work/$name" 1 env WINEDEBUG=trace+msgbox "$wine" k417_noarchive.exe
  e2e_expect_text "$work/$name/program.out" "MSGBOX_OnInit L\"$message\""
  boxes=$(tr -d '\r' <"$work/$name/program.out" | grep -c 'trace:msgbox:MSGBOX_OnInit')
  if [ "$boxes" = 1 ]; then e2e_pass "one box and nothing else"; else e2e_fail "$boxes error boxes"; fi
}

# pack NAME: packs $work/NAME/files/* into $work/NAME/k417.pak as the build does.
pack() {
  (cd "$work/$1/files" && "$pak" create --upper ../k417.pak * >/dev/null) || e2e_fail "packing $1"
}

# parts NAME: a case folder with copies of the real tune, picture and font, to be damaged.
parts() {
  mkdir -p "$work/$1/files"
  cp "$assets/fini.xm" "$assets/64.pcx" "$assets/fontje.dat" "$work/$1/files/"
}

mkdir -p "$work/none"
case_box none "Error opening archive 'k417.pak'.\\n"

mkdir -p "$work/corrupt"
yes 'not an archive' | head -c 6000 >"$work/corrupt/k417.pak"
case_box corrupt "File not found: 'fini.xm'"

parts tune
printf 'X' | dd of="$work/tune/files/fini.xm" bs=1 seek=9 conv=notrunc 2>/dev/null
pack tune
case_box tune "Unable to load module 'fini.xm'!"

parts picture
truncate -s 3000 "$work/picture/files/64.pcx"
pack picture
case_box picture "Error extracting texture '64.pcx'.\\n"

parts font
truncate -s 1000 "$work/font/files/fontje.dat"
pack font
case_box font "Error loading font 'fontje.dat'.\\n"

echo "wine bad input: $([ $E2E_STATUS = 0 ] && echo passed || echo FAILED)"
exit $E2E_STATUS
