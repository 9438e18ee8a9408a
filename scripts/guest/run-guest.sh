#!/usr/bin/env bash
# Boots the cached guest under qemu's software emulation with a shared folder; the guest runs
# SHARE/job.sh and leaves job.log and job.rc there. Usage: run-guest.sh CACHE SHARE TIMEOUT_S.
# Subtle: without KVM, `-cpu max` must drop SMAP, or the guest kernel kills 32-bit processes at
# their first return to 32-bit code; the root is opened as a throw-away snapshot unless
# K417_GUEST_WRITABLE=1 (used once, to store the wine prefixes).
set -euo pipefail
cache=$1 share=$2 limit=$3
snapshot=on
[ "${K417_GUEST_WRITABLE:-0}" = 1 ] && snapshot=off
rm -f "$share/job.rc" "$share/job.log"
t0=$SECONDS
set +e
timeout --kill-after=10 "$limit" qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap \
  -smp "${K417_GUEST_CPUS:-2}" -m "${K417_GUEST_MEMORY:-3072}" \
  -nographic -no-reboot -nic none -rtc base=utc \
  -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" \
  -append "root=/dev/vda rw rootfstype=ext4 console=ttyS0 init=/sbin/k417-guest-init panic=1 quiet" \
  -drive "file=$cache/root.img,format=raw,if=virtio,snapshot=$snapshot" \
  -virtfs "local,path=$share,mount_tag=k417,security_model=none,id=k417" \
  </dev/null >"$share/console.log" 2>&1
status=$?
set -e
echo "guest: $((SECONDS - t0)) s (qemu exit $status)"
if [ ! -f "$share/job.rc" ]; then
  echo "guest: the job did not finish; console:"; tail -20 "$share/console.log"; exit 1
fi
