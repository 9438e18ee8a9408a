# Native build (engine, demo, tools, assets) and the unit tests.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
ctest --test-dir "$K417_ROOT/build/linux" -j "$JOBS" --output-on-failure --timeout 600
