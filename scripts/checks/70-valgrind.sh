# Memory errors and leaks under valgrind: a full headless capture of the show at one frame a
# second (its frames must equal the native run's), and xmrender over every XM file of the Debian
# game packages that setup.sh installs, a few seconds of each. Any error or leak fails the check.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux --target k417-capture xmrender
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
linux=$K417_ROOT/build/linux
valgrind=(valgrind -q --leak-check=full --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=1)

capture=$linux/tools/k417-capture/k417-capture
"$capture" --fps 1 --quiet --checksums >"$work/native.txt"
"${valgrind[@]}" "$capture" --fps 1 --quiet --checksums >"$work/valgrind.txt"
cmp "$work/native.txt" "$work/valgrind.txt" || { echo "the capture under valgrind differs from the native one"; exit 1; }
echo "capture under valgrind: $(wc -l <"$work/valgrind.txt") frames, no errors, no leaks"

corpus=$(corpus_files)
mapfile -t files <<<"$corpus"
status=0
for xm in "${files[@]}"; do
  if ! "${valgrind[@]}" "$linux/tools/xmrender/xmrender" "$xm" "$work/out.wav" --seconds 3 >"$work/xm.log" 2>&1; then
    echo "FAIL: $xm"; cat "$work/xm.log"; status=1
  fi
done
echo "xmrender under valgrind: ${#files[@]} modules, $([ $status = 0 ] && echo "no errors, no leaks" || echo FAILED)"
exit $status
