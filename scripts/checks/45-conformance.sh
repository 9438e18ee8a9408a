# The player against libopenmpt over the public corpus of XM files that setup.sh installs (Debian
# game data): every module's (order, row) timeline and 20 ms loudness envelope must agree.
# Runs on the native build that 10-native configured; fails on a missed threshold or a missing file.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
corpus=$(corpus_files)
mapfile -t files <<<"$corpus"
cmake --build "$K417_ROOT/build/linux" -j "$JOBS" --target xmcompare
"$K417_ROOT/build/linux/tools/xmcompare/xmcompare" "${files[@]}"
