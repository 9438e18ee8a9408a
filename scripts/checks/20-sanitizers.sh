# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$K417_ROOT/build/asan" -j "$JOBS" --output-on-failure --timeout 1200 -LE slow-under-asan
