#!/usr/bin/env bash
# Stands in for the 32-bit build's generator tools, which this host may not be able to run: runs
# the native build's tool of the same name instead (the assets are the same bytes either way).
# Usage (as CMake's cross-compiling emulator): host-tool.sh TOOL ARGS...
set -euo pipefail
name=$(basename "$1")
shift
tool=$(find "${K417_HOST_DIR:?}/tools" -type f -name "$name" -perm -u+x | head -1)
[ -n "$tool" ] || { echo "host-tool: no native $name in $K417_HOST_DIR/tools" >&2; exit 1; }
exec "$tool" "$@"
