# Endurance: the whole show in real time (about four minutes) on the null back-ends, with the
# render and output threads as in the program: every frame's music position must be the music of
# its moment within a few segments, no step between frames may skip more, and the show must end
# by itself where the tune wraps (k417_endurance checks and prints the figures).
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux --target k417_endurance
timeout 600 "$K417_ROOT/build/linux/tests/hardening/k417_endurance"
