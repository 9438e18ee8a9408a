# Both Windows builds, then what their executables must look like.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux --target k417_assets  # the archive and icon the executables embed
build_preset win32
build_preset win64
bash "$K417_ROOT/scripts/inspect-windows.sh"
