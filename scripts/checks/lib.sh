# Helpers for the checks: configure a preset once, build it, run ctest.
configure_once() {
  local preset=$1
  local dir=$K417_ROOT/build/$preset
  mkdir -p "$K417_ROOT/build"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake --preset "$preset" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  fi
}
build_preset() {
  configure_once "$1" && cmake --build --preset "$1" -j "$JOBS" "${@:2}"
}
