# ThreadSanitizer over the program's threads: the real shell and production on the null back-ends
# (start-up, frames with the tune playing in real time, a switch to a window and back, Escape,
# shutdown), the shell's life-cycle tests (fatal errors on either thread, quitting while loading)
# and the music output's start and stop races. Any report fails the check.
source "$(dirname "$0")/lib.sh"
set -euo pipefail
build_preset tsan --target test_hardening_threads test_shell_life test_music_core
tests=$K417_ROOT/build/tsan/tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66"
"$tests/hardening/test_hardening_threads" --gtest_repeat=2 --gtest_brief=1
"$tests/engine/shell/test_shell_life" --gtest_brief=1 --gtest_death_test_style=threadsafe
"$tests/engine/music/test_music_core" --gtest_filter='WaveOutput*:MusicGlue*' --gtest_repeat=3 --gtest_brief=1
echo "ThreadSanitizer: no reports"
