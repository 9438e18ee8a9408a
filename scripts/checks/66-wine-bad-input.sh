# Bad input on the Windows x86_64 build under wine64 in a virtual X server: the program without
# its archive resource over a missing, corrupt or damaged k417.pak shows its one error box and ends
# with exit code 1. The damaged archives are packed from the native build's assets.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset win64 --target k417_noarchive
build_preset linux --target pak k417_assets
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$K417_ROOT/tests/hardening/wine_bad_input.sh" \
  "$K417_ROOT/build/win64" "$K417_ROOT/build/linux"
