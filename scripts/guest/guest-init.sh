#!/bin/sh
# The guest's first and only process: mounts what wine, Xvfb and PulseAudio need, runs the job the
# host left in the shared folder and powers off. Subtle: as process 1 it must never return (the
# kernel would panic), so every path ends in the power-off request.
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export PATH
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs -o size=1500m tmpfs /tmp
hostname k417-guest
ip link set lo up 2>/dev/null || ifconfig lo up 2>/dev/null
modprobe 9pnet_virtio 2>/dev/null
modprobe 9p 2>/dev/null
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 k417 /mnt/work; then
  cd /mnt/work
  HOME=/root LC_ALL=C.UTF-8 sh /mnt/work/job.sh >/mnt/work/job.log 2>&1
  echo $? >/mnt/work/job.rc
  cd /
  umount /mnt/work
else
  echo "k417-guest: the shared folder did not mount"
fi
sync
echo o >/proc/sysrq-trigger
sleep 30
