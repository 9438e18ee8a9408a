# The native Linux (SDL2) programs in a virtual X server with a window manager and SDL's dummy
# audio driver: full screen, Alt+Enter, Escape, the missing-archive error and the audio clock.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$K417_ROOT/tests/platform/e2e/sdl_e2e.sh" "$K417_ROOT/build/linux"
