# The player against libopenmpt over the public corpus of XM files that setup.sh installs (Debian
# game data): every module's (order, row) timeline and 20 ms loudness envelope must agree.
# Runs on the native build that 10-native configured; fails on a missed threshold or a missing file.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
packages=(flobopuyo rafkill-data bomberclone-data solarwolf gemdropx)
mapfile -t files < <(dpkg -L "${packages[@]}" 2>/dev/null | grep -i '\.xm$' | sort)
if [ ${#files[@]} -eq 0 ]; then
  echo "no XM corpus: install ${packages[*]} (scripts/setup.sh does)" >&2
  exit 1
fi
cmake --build "$K417_ROOT/build/linux" -j "$JOBS" --target xmcompare
"$K417_ROOT/build/linux/tools/xmcompare/xmcompare" "${files[@]}"
