#!/usr/bin/env bash
# Runs every test of the project on a fresh Debian 12 machine: installs what is missing, builds
# the three targets (native, Windows i686, Windows x86_64) and runs each check in scripts/checks
# in order. Build directories are reused between steps; nothing is configured twice.
set -euo pipefail
cd "$(dirname "$0")/.."
export K417_ROOT=$PWD
export JOBS=${JOBS:-$(nproc)}

scripts/setup.sh

start=$(date +%s)
status=0
for check in scripts/checks/[0-9]*.sh; do
  name=$(basename "$check" .sh)
  echo "=== $name"
  t0=$(date +%s)
  if bash "$check"; then
    echo "=== $name: passed ($(( $(date +%s) - t0 )) s)"
  else
    echo "=== $name: FAILED ($(( $(date +%s) - t0 )) s)"
    status=1
    [ "${KEEP_GOING:-0}" = 1 ] || break
  fi
done
echo "=== all checks: $([ $status = 0 ] && echo passed || echo FAILED) in $(( $(date +%s) - start )) s"
exit $status
