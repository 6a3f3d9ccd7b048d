#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite:
#  - a normal build: every test in a process of its own (so that a crash
#    names its test), the end-to-end runs of the real program beside them,
#    the data checks and the benchmarks, briefly;
#  - a build under AddressSanitizer + UndefinedBehaviorSanitizer: each test
#    program run whole, in one process, in shuffled order, which also shows
#    that no test leans on another's leftovers;
#  - the threaded tests under ThreadSanitizer, run whole the same way;
#  - the fuzz targets: every corpus and saved crash replayed, then a few
#    seconds of new inputs each.
# Graphics tests run on Mesa's software renderer under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

root=$PWD
jobs=${VORN_JOBS:-$(nproc)}
# The order the whole programs run their tests in; any seed must pass.
shuffle_seed=${VORN_SHUFFLE_SEED:-1}
# ccache's cache stays where ccache keeps it without the XDG_CACHE_HOME below
# (under the home folder), not in this clone's build/: a fresh clone then
# reuses what earlier builds compiled.
if [ -z "${CCACHE_DIR:-}" ] && command -v ccache >/dev/null; then
  CCACHE_DIR=$(ccache -k cache_dir) && export CCACHE_DIR
fi
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=dummy
export VORN_HEADLESS=1
export XDG_CACHE_HOME=$root/build/cache
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
mkdir -p "$XDG_CACHE_HOME"

stage() { echo "== $* ($(date +%T))"; }
under_x() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }

# Runs test programs whole, shuffled, a few side by side under one X server;
# shows the output of those that fail. LeakSanitizer skips the programs that
# open windows (their names match $unleaked): Mesa's driver is loaded and
# unloaded with each test's window, and what it keeps cannot be named once it
# is gone, so no suppression can match it.
unleaked='/(app|mahjong|platform|render|scene|screens|widgets)_tests$'
whole() {
  local logs=build/whole-logs
  rm -rf "$logs" && mkdir -p "$logs"
  local status=0
  printf '%s\n' "$@" | under_x xargs -P "$jobs" -I{} sh -c \
    'log="$3/$(basename "$1")"; if echo "$1" | grep -qE "$4"; then ASAN_OPTIONS=detect_leaks=0:abort_on_error=1; export ASAN_OPTIONS; fi
     if "$1" --gtest_shuffle --gtest_random_seed="$2" >"$log.log" 2>&1; then echo "passed: $1";
     else echo "FAILED: $1"; touch "$log.failed"; exit 1; fi' sh {} "$shuffle_seed" "$logs" "$unleaked" || status=1
  for failed in "$logs"/*.failed; do
    [ -e "$failed" ] || continue
    echo "--- ${failed%.failed}.log"; tail -n 300 "${failed%.failed}.log"
  done
  return $status
}

stage "release build"
bash scripts/build.sh release
stage "release tests"
# Each program's tests are listed once, here: two ctest runs that found the
# lists missing would write them side by side into the same files, and
# then run some tests twice and leave others out.
ctest --test-dir build/release -N >/dev/null
# The end-to-end runs start X servers of their own and drive the real
# program; they go beside the rest, as on any busy machine.
ctest --test-dir build/release -L e2e -j2 --output-on-failure --no-tests=error >build/e2e.log 2>&1 &
e2e=$!
status=0
under_x ctest --test-dir build/release -LE e2e -j"$jobs" --output-on-failure --no-tests=error || status=1
wait $e2e || { cat build/e2e.log; status=1; }
grep -E '^(Total Test time|[0-9]+% tests passed)' build/e2e.log || true
[ $status -eq 0 ]
stage "benchmarks, briefly: their figures are read by people"
for bench in build/release/bench/*; do
  if [ -x "$bench" ] && [ -f "$bench" ]; then
    under_x "$bench" --benchmark_min_time=0.01 >/dev/null
  fi
done

# Mesa's software rasteriser draws on the calling thread here: with its
# worker threads still winding down as a test ends, LeakSanitizer's tracer
# can crash while it stops them ("Tracer caught signal 11"), failing a
# sound test; our own threads are unaffected.
export LP_NUM_THREADS=0
stage "asan build"
bash scripts/build.sh asan
stage "asan tests, each program whole and shuffled"
# The end-to-end runs are timed by a person's pace and tell most in the
# normal build; under the sanitizers the same screens run in screens_tests.
whole $(ls build/asan/tests/*_tests | grep -v '/e2e_tests$')
unset LP_NUM_THREADS

# ThreadSanitizer builds one program of the threaded suites (tests/CMakeLists.txt).
stage "tsan build"
bash scripts/build.sh tsan --target threaded_tests
stage "tsan tests"
whole build/tsan/tests/threaded_tests
# The fuzz targets: every kept input replayed, then a few seconds of new ones.
VORN_JOBS=$jobs bash scripts/fuzz.sh
stage "all suites passed"
