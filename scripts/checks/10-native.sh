# Native build (engine, demo, tools, assets) and the unit tests.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset linux
ctest --test-dir "$K417_ROOT/build/linux" -j "$JOBS" --output-on-failure --timeout 600

# Part of the sphere walk's object is compiled for AVX2. A shared (weak) inline function defined
# there could be the copy the linker keeps for every caller, on processors without AVX2 too: the
# object must define none.
walk="$K417_ROOT/build/linux/demo/CMakeFiles/k417_demo.dir/sphere_raster_narrow.cpp.o"
weak=$(nm -C --defined-only "$walk" | awk '$2 == "W" || $2 == "V"')
if [ -n "$weak" ]; then
  echo "shared inline functions defined in the sphere walk's object:"
  echo "$weak"
  exit 1
fi
echo "ok: the sphere walk's object defines no shared inline functions"
