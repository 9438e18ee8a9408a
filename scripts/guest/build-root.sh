#!/usr/bin/env bash
# Builds (or finds cached) the Debian 12 guest that runs 32-bit programs where the host kernel
# cannot: a root with wine32 beside wine64, Xvfb, PulseAudio and 32-bit Mesa, its own kernel and
# initrd, and two ready wine prefixes (wine's OpenGL and its GDI presentation). Usage:
# build-root.sh CACHE_DIR. Subtle: the cache is keyed by a stamp of this recipe, so editing the
# package list or the guest's init rebuilds it; the prefixes are made inside the guest because
# wineboot runs 32-bit code that the host cannot.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
mirror=${K417_DEBIAN_MIRROR:-http://deb.debian.org/debian}
mapfile -t packages < <(grep -v '^#' "$here/packages.txt" | tr ' ' '\n' | grep .)
# The recipe: what ends up in the root. Editing anything else here does not rebuild it.
recipe_version=1
stamp=$( (echo "$recipe_version"; cat "$here/packages.txt" "$here/guest-init.sh" "$here/make-prefixes.sh") |
  sha256sum | cut -c1-16)
if [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$stamp" ] &&
   [ -f "$cache/root.img" ] && [ -f "$cache/vmlinuz" ] && [ -f "$cache/initrd.img" ]; then
  echo "guest root: cached ($cache, recipe $stamp)"
  exit 0
fi
echo "guest root: building in $cache (recipe $stamp)"
# Built beside the cached one and swapped in at the end: an interrupted build loses nothing.
new=$cache/new
rm -rf "$new"
mkdir -p "$new"
root=$new/rootfs
t0=$SECONDS
# Downloaded packages stay in the cache, so a changed recipe rebuilds without fetching them again.
mkdir -p "$cache/debs" "$cache/apt-archives/partial"
debootstrap --variant=minbase --include=ca-certificates --cache-dir="$cache/debs" bookworm "$root" "$mirror" >"$new/debootstrap.log" 2>&1 ||
  { tail -20 "$new/debootstrap.log"; exit 1; }
echo "guest root: debootstrap $((SECONDS - t0)) s"

cleanup_mounts() {
  umount "$root/var/cache/apt/archives" "$root/proc" "$root/sys" "$root/dev/pts" "$root/dev" 2>/dev/null || true
}
trap cleanup_mounts EXIT
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"
t0=$SECONDS
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
in_root dpkg --add-architecture i386
# No daemon may start inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod +x "$root/usr/sbin/policy-rc.d"
in_root apt-get update -q >"$new/apt.log" 2>&1
if ! in_root apt-get install -y -q --no-install-recommends "${packages[@]}" >>"$new/apt.log" 2>&1; then
  tail -30 "$new/apt.log"; exit 1
fi
rm -f "$root/usr/sbin/policy-rc.d"
cleanup_mounts
trap - EXIT
echo "guest root: packages $((SECONDS - t0)) s"

install -m 755 "$here/guest-init.sh" "$root/sbin/k417-guest-init"
mkdir -p "$root/mnt/work" "$root/opt/k417"
cp "$root"/boot/vmlinuz-* "$new/vmlinuz"
cp "$root"/boot/initrd.img-* "$new/initrd.img"
# The image has room for the prefixes and for what a run writes (runs use a throw-away overlay).
size=$(( $(du -sm "$root" | cut -f1) + 1500 ))
mke2fs -q -t ext4 -L k417root -d "$root" "$new/root.img" "${size}M"
rm -rf "$root"

# First boot, writable: the wine prefixes.
t0=$SECONDS
share=$(mktemp -d /tmp/k417-guest-setup.XXXXXX)
cp "$here/make-prefixes.sh" "$share/job.sh"
K417_GUEST_WRITABLE=1 bash "$here/run-guest.sh" "$new" "$share" 900
cat "$share/job.log" 2>/dev/null | tail -5
if [ "$(cat "$share/job.rc" 2>/dev/null)" != 0 ]; then echo "guest root: the prefixes could not be made"; exit 1; fi
rm -rf "$share"
echo "guest root: prefixes $((SECONDS - t0)) s"
echo "$stamp" >"$new/stamp"
rm -f "$cache/stamp" "$cache/root.img"
mv "$new"/* "$cache/"
rmdir "$new"
