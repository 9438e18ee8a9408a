#!/usr/bin/env bash
# Builds the show for the web (build/web/site: the page, the script, the module with the archive
# in it, the audio worklet) and serves it on 127.0.0.1 for a browser. Installs what it needs on a
# fresh Debian 12 when run as root. PORT sets the port (default 8417).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --web
export NODE_PATH=/usr/share/nodejs  # Emscripten's tools need Debian's node modules
jobs=$(nproc)
# The archive comes from the native build's generators, as for the Windows builds.
[ -f build/linux/build.ninja ] || cmake --preset linux
cmake --build --preset linux -j "$jobs" --target k417_embedded
[ -f build/web/build.ninja ] || cmake --preset web
cmake --build --preset web -j "$jobs"
port=${PORT:-8417}
echo "The show: http://127.0.0.1:$port/  (a click or a key starts it; Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
