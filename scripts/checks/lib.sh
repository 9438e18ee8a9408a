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

# The public XM corpus: Debian game data that ships real modules (setup.sh installs them).
K417_CORPUS_PACKAGES=(flobopuyo rafkill-data bomberclone-data solarwolf gemdropx)
# corpus_files: the corpus's XM files, one a line, sorted; fails when none is installed.
corpus_files() {
  local files
  files=$(dpkg -L "${K417_CORPUS_PACKAGES[@]}" 2>/dev/null | grep -i '\.xm$' | sort)
  if [ -z "$files" ]; then
    echo "no XM corpus: install ${K417_CORPUS_PACKAGES[*]} (scripts/setup.sh does)" >&2
    return 1
  fi
  echo "$files"
}
