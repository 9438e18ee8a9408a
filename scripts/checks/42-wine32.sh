# The Windows i686 release build under wine32, with sound, through wine's OpenGL and its GDI
# presentation: full screen matching the capture tool's frames, Alt+Enter and back, Escape, then a
# minute of show, with no fault in either run; the testcard playing the tune through GDI; the
# missing and damaged archive boxes; the winmm clock; and the capture tool built for i686 gives the
# 64-bit build's frames and sound. Where this kernel cannot run 32-bit code, all of it runs in a
# Debian 12 guest under qemu's software emulation (root cached in /var/cache/k417-guest).
source "$(dirname "$0")/lib.sh"
set -euo pipefail
guest=$K417_ROOT/scripts/guest
win32=${K417_WIN32_BUILD:-$K417_ROOT/build/win32}
m32=${K417_M32_BUILD:-$K417_ROOT/build/m32}
host=${K417_HOST_BUILD:-$K417_ROOT/build/linux}
cache=${K417_GUEST_CACHE:-/var/cache/k417-guest}
skip() { echo "=== 42-wine32: SKIPPED: $*"; echo "=== the i686 executable was NOT run"; exit 0; }

# Can this kernel run i686 code? A three-instruction program answers.
probe=$(mktemp -d /tmp/k417-i686probe.XXXXXX)
trap 'rm -rf "$probe"' EXIT
printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/p.s"
native32=0
if as --32 -o "$probe/p.o" "$probe/p.s" && ld -m elf_i386 -o "$probe/p" "$probe/p.o" && "$probe/p" 2>/dev/null; then
  native32=1
fi
if [ $native32 = 0 ] && ! command -v qemu-system-x86_64 >/dev/null; then
  skip "this kernel runs no 32-bit code and qemu-system-x86 is not installed"
fi
if [ $native32 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  [ "$(id -u)" = 0 ] || skip "32-bit code runs here, but wine32 needs i386 multiarch (root: dpkg --add-architecture i386)"
  dpkg --add-architecture i386 && apt-get update -q >/dev/null
fi
if [ $native32 = 1 ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
  [ "$(id -u)" = 0 ] || skip "wine32:i386 is not installed"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wine32:i386 \
    libgl1-mesa-dri:i386 libglx-mesa0:i386 libasound2-plugins:i386 >/dev/null
fi

# The builds: the release executable, the native tools and assets, the i686 capture tool.
t0=$SECONDS
# K417_PREBUILT=1: the Windows and native builds are up to date (another job builds them).
if [ "${K417_PREBUILT:-0}" != 1 ]; then
  build_preset linux --target k417-capture pak k417_assets  # the archive the release embeds
  build_preset win32
elif [ -f "$win32/build.ninja" ]; then
  cmake --build "$win32" -j "$JOBS" --target k417 k417_noarchive k417_testcard wave_clock_check
fi
if [ ! -f "$m32/build.ninja" ]; then
  cmake -S "$K417_ROOT" -B "$m32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=i686 -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 \
    -DCMAKE_EXE_LINKER_FLAGS="-m32 -static-libstdc++ -static-libgcc" -DK417_TESTS=OFF -DK417_BENCH=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$guest/host-tool.sh" >"$m32.configure.log" 2>&1 || { cat "$m32.configure.log"; exit 1; }
fi
K417_HOST_DIR=$host cmake --build "$m32" -j "$JOBS" --target k417-capture
echo "builds: $((SECONDS - t0)) s"

# What the runs need, in one folder the guest sees.
share=$(mktemp -d /tmp/k417-wine32.XXXXXX)
trap 'rm -rf "$probe" "$share"' EXIT
cp "$win32/app/win32/k417.exe" "$win32/tests/hardening/windows/k417_noarchive.exe" \
  "$win32/tests/platform/testcard/k417_testcard.exe" "$win32/tests/platform/testcard/wave_clock_check.exe" \
  "$host/assets/k417.pak" "$K417_ROOT/tests/platform/e2e/e2e_lib.sh" "$guest/wine32-job.sh" "$share/"
cp "$m32/tools/k417-capture/k417-capture" "$share/k417-capture-m32"
mkdir -p "$share/tune" && cp "$host/assets/fini.xm" "$host/assets/64.pcx" "$host/assets/fontje.dat" "$share/tune/"
printf 'X' | dd of="$share/tune/fini.xm" bs=1 seek=9 conv=notrunc 2>/dev/null
(cd "$share/tune" && "$host/tools/pak/pak" create --upper ../bad-tune.pak * >/dev/null)
rm -rf "$share/tune"

t0=$SECONDS
if [ $native32 = 1 ]; then
  echo "this kernel runs 32-bit code: wine32 on the host"
  prefixes=$share/prefixes
  mkdir -p "$prefixes"
  sed "s#/opt/k417#$prefixes#" "$guest/make-prefixes.sh" >"$share/make-prefixes.sh"
  (export HOME=$share/home; mkdir -p "$HOME"; bash "$share/make-prefixes.sh")
  echo "prefixes: $((SECONDS - t0)) s"
  set +e
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$share/wine32-job.sh" "$share" "$prefixes" | tee "$share/job.log"
  set -e
else
  echo "this kernel runs no 32-bit code: a Debian 12 guest under qemu (software emulation)"
  command -v debootstrap >/dev/null || skip "debootstrap is not installed"
  bash "$guest/build-root.sh" "$cache"
  echo "guest root ready: $((SECONDS - t0)) s"
  printf '#!/bin/sh\nexport K417_WAVE_MIN_RATIO=0.2\nxvfb-run -a -s "-screen 0 1280x1024x24" bash /mnt/work/wine32-job.sh /mnt/work /opt/k417\n' >"$share/job.sh"
  bash "$guest/run-guest.sh" "$cache" "$share" 570 || true
  cat "$share/job.log" 2>/dev/null
fi
echo "runs: $((SECONDS - t0)) s"

# The host's half: what the runs left behind, against the native build.
status=0
grep -q '^FAIL' "$share/job.log" 2>/dev/null && status=1
[ -f "$share/job.log" ] && grep -q '^-- .* done$' "$share/job.log" || { echo "FAIL: the runs did not finish"; status=1; }
capture=$host/tools/k417-capture/k417-capture
"$capture" --fps 10 --frames 301 --png "$share/capture" --range 60-300 --quiet
# The show's clock runs in real time while its music follows the wave device; when the sound plays
# slower than real time (emulation), the screenshot shows a moment the capture never renders.
ratio=$(cat "$share/wave-ratio.txt" 2>/dev/null || true)
for shot in "$share"/gl-match.png "$share"/gdi-match.png; do
  [ -f "$shot" ] || { echo "FAIL: no screenshot $(basename "$shot") for the picture check"; status=1; continue; }
  convert "$shot" -scale 320x200 rgb:"$share/shot.rgb"
  if verdict=$(python3 "$K417_ROOT/tests/platform/e2e/match_capture.py" "$share/shot.rgb" "$share/capture"); then
    echo "ok: $(basename "$shot" .png): the picture matches the capture tool's ($verdict)"
  elif [ -n "$ratio" ] && awk -v r="$ratio" 'BEGIN { exit !(r < 0.85) }'; then
    echo "NOT CHECKED: $(basename "$shot" .png): no match, but the sound played at $ratio of real time ($verdict)"
  else
    echo "FAIL: $(basename "$shot" .png): the picture does not match the capture tool's frames ($verdict)"; status=1
  fi
done
if read -r _ _ frames _ first _ last < <(grep '^shutdown' "$share/card-gdi.log" 2>/dev/null) && [ "$last" -gt "$first" ]; then
  echo "ok: gdi testcard: $frames frames, the music position advanced ($first to $last)"
else
  echo "FAIL: gdi testcard: no shutdown line with an advancing music position"; status=1
fi
expect_box() {
  if grep -qF -- "$2" "$share/box-$1.txt" 2>/dev/null && [ "$(wc -l <"$share/box-$1.txt")" = 1 ]; then
    echo "ok: $1 archive: one box, '$2'"
  else echo "FAIL: $1 archive: the boxes were: $(cat "$share/box-$1.txt" 2>/dev/null)"; status=1; fi
}
expect_box none "Error opening archive 'k417.pak'."
expect_box tune "Unable to load module 'fini.xm'!"
"$capture" --fps 10 --checksums --quiet --wav "$share/x64.wav" >"$share/x64-checksums.txt"
if [ -s "$share/m32-checksums.txt" ] && cmp -s "$share/x64-checksums.txt" "$share/m32-checksums.txt"; then
  echo "ok: the i686 capture tool gives the x86-64 build's $(wc -l <"$share/x64-checksums.txt") frame checksums"
else
  echo "FAIL: the i686 capture tool's frames differ:"; diff "$share/x64-checksums.txt" "$share/m32-checksums.txt" | head -5; status=1
fi
missing=0
while read -r frame rest; do
  grep -qx "$frame $rest" "$share/m32-checksums.txt" 2>/dev/null || missing=1
done <"$K417_ROOT/tests/golden/capture-10fps.txt"
[ $missing = 0 ] && echo "ok: the i686 capture tool gives the golden frames" || { echo "FAIL: golden frames differ in i686"; status=1; }
if [ "$(sha256sum <"$share/x64.wav" | cut -d' ' -f1)" = "$(cat "$share/m32-wav.sha256" 2>/dev/null)" ]; then
  echo "ok: the i686 capture tool writes the same WAV bytes"
else echo "FAIL: the i686 capture tool's WAV differs"; status=1; fi
exit $status
