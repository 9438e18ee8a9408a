#!/usr/bin/env bash
# Builds and runs the demo (native Linux, SDL2). Installs what it needs on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run-only
[ -f build/linux/build.ninja ] || cmake --preset linux
cmake --build --preset linux -j "$(nproc)"
exec build/linux/app/sdl2/k417 "$@"
