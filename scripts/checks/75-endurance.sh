# Endurance: the whole show on the null back-ends, with the render and output threads as in the
# program. First with the wave device stepped between frames (deterministic, whatever the load):
# every frame's music position must be exactly the music of its moment, and the show must end by
# itself on the first frame past the tune's wrap. Then in real time (about four minutes), where only
# what load cannot break is judged: positions only move forward and the show ends by itself at the
# wrap; how closely frames follow the clock is printed, not judged.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux --target k417_endurance
timeout 900 "$K417_ROOT/build/linux/tests/hardening/k417_endurance" --stepped
timeout 900 "$K417_ROOT/build/linux/tests/hardening/k417_endurance"
