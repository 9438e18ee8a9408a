# The native Linux (SDL2) programs in a virtual X server with SDL's dummy audio driver, once with a
# window manager (full screen, Alt+Enter, Escape, the missing-archive error, the audio clock) and
# once without one, as in a kiosk session (full screen and the picture centred all the same).
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$K417_ROOT/tests/platform/e2e/sdl_e2e.sh" "$K417_ROOT/build/linux" || status=1
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$K417_ROOT/tests/platform/e2e/sdl_bare_x_e2e.sh" "$K417_ROOT/build/linux" || status=1
exit $status
