#!/usr/bin/env bash
# Checks the Windows executables: PE32 for i686 and PE32+ for x86_64, the embedded archive and
# icon in the resource section, and static imports only from kernel32, user32 and winmm.
set -euo pipefail
root=${K417_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
status=0
check() {
  local exe=$1 format=$2 objdump=$3
  if [ ! -f "$exe" ]; then echo "skip: $exe not built yet"; return 0; fi
  local header
  header=$($objdump -f "$exe")
  if ! grep -q "file format $format" <<<"$header"; then echo "FAIL: $exe is not $format"; status=1; fi
  local dlls
  dlls=$($objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
  for dll in $dlls; do
    case $dll in kernel32.dll|user32.dll|winmm.dll|msvcrt.dll) ;; *) echo "FAIL: $exe imports $dll"; status=1;; esac
  done
  echo "$exe: $format, imports: $dlls"
  if [ -x "$root/scripts/check-resources.py" ] || [ -f "$root/scripts/check-resources.py" ]; then
    python3 "$root/scripts/check-resources.py" "$exe" || status=1
  fi
}
check "$root/build/win32/app/win32/k417.exe" pei-i386 i686-w64-mingw32-objdump
check "$root/build/win64/app/win32/k417.exe" pei-x86-64 x86_64-w64-mingw32-objdump
exit $status
