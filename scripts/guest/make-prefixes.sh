#!/bin/sh
# Runs inside the guest while its root is writable: two 32-bit wine prefixes, one presenting
# DirectDraw through wine's OpenGL path and one through its GDI path. Crashes print their backtrace
# instead of opening wine's crash dialog, so a check sees a fault in the program's output.
set -e
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
for kind in gl gdi; do
  export WINEPREFIX=/opt/k417/prefix-$kind
  t0=$(date +%s)
  wine wineboot -i
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  if [ $kind = gdi ]; then wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f; fi
  wineserver -w
  echo "prefix $kind: $(($(date +%s) - t0)) s"
done
