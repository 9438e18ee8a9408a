#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when they are missing.
# As root it installs them with apt-get; otherwise it names them and stops.
set -euo pipefail
source "$(dirname "$0")/checks/lib.sh"  # the corpus's package list

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine64 pulseaudio xvfb xauth xdotool x11-apps x11-utils openbox imagemagick ffmpeg
  libopenmpt-dev libxmp-dev
  emscripten chromium node-ws
  "${K417_CORPUS_PACKAGES[@]}"
  valgrind time
  qemu-system-x86 debootstrap e2fsprogs g++-multilib
)
if [ "${1:-}" = "--run-only" ]; then
  packages=(cmake ninja-build g++ pkg-config libsdl2-dev)
elif [ "${1:-}" = "--web" ]; then
  # The native build that makes the archive configures its tests and benchmarks too.
  packages=(cmake ninja-build g++ pkg-config libsdl2-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
            emscripten)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Install them (as root: apt-get install ${missing[*]}) and run this command again." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
