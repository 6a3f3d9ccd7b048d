#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite twice: a
# normal build (with the benchmarks, run briefly) and a build under
# AddressSanitizer + UndefinedBehaviorSanitizer; the threaded tests run a
# third time under ThreadSanitizer. Graphics tests run on Mesa's software
# renderer under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

root=$PWD
jobs=${VORN_JOBS:-$(nproc)}
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

under_x() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
}

# suite <flavour> <build targets...> -- <ctest arguments...>
suite() {
  local flavour=$1
  shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=(--target "$1"); shift; done
  [ $# -gt 0 ] && shift
  echo "== $flavour build ($(date +%T))"
  bash scripts/build.sh "$flavour" "${targets[@]}"
  echo "== $flavour tests ($(date +%T))"
  under_x ctest --test-dir "build/$flavour" -j"$jobs" --output-on-failure --no-tests=error "$@"
}

suite release
echo "== benchmarks, briefly: their figures are read by people ($(date +%T))"
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
suite asan
unset LP_NUM_THREADS
# ThreadSanitizer builds one program of the threaded suites (tests/CMakeLists.txt).
suite tsan threaded_tests
echo "== all suites passed ($(date +%T))"
