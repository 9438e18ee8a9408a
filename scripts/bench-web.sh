#!/usr/bin/env bash
# The web build's figures (README, "The show in a browser"): the folder's size raw and gzip'd,
# page load to the first frame in headless Chromium, and frame time per scene block in the
# browser against the native capture tool. RUNS sets the repetitions (medians are reported).
set -euo pipefail
cd "$(dirname "$0")/.."
export K417_ROOT=$PWD JOBS=$(nproc)
scripts/setup.sh
source scripts/checks/lib.sh
export NODE_PATH=/usr/share/nodejs
build_preset linux
build_preset web
node bench/web/bench_web.js build/web/site build/linux/tools/k417-capture/k417-capture "${RUNS:-5}"
