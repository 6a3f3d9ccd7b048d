#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer), replays every seed and every input that ever
# crashed a target, then fuzzes each target on new inputs for a while.
#   scripts/fuzz.sh [seconds per target, default 5] [target...]
# Targets are tests/fuzz/<name>.cpp; new inputs go to build/fuzz/corpus, and
# an input that crashes one to build/fuzz/artifacts/<name>/: keep it in
# tests/fuzz/<name>/crashes once the fault is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

seconds=${1:-5}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*.cpp; do
    name=$(basename "$source" .cpp)
    [ "$name" = FuzzSupport ] || targets+=("$name")
  done
fi

if [ -z "${CCACHE_DIR:-}" ] && command -v ccache >/dev/null; then
  CCACHE_DIR=$(ccache -k cache_dir) && export CCACHE_DIR
fi
echo "== fuzz build ($(date +%T))"
# Few compile jobs unless told otherwise: the instrumented engine is large.
export VORN_JOBS=${VORN_JOBS:-3}
bash scripts/build.sh fuzz --target fuzz_targets

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export SDL_AUDIODRIVER=dummy
# Loaders log every fault they meet on standard output: -close_fd_mask=1
# keeps that out, while sanitizer reports still reach standard error.
common=(-rss_limit_mb=2048 -timeout=30 -close_fd_mask=1)

echo "== replaying seeds and past crashes ($(date +%T))"
for name in "${targets[@]}"; do
  inputs=()
  for folder in corpus crashes; do
    for file in "tests/fuzz/$name/$folder"/*; do
      [ -f "$file" ] && inputs+=("$file")
    done
  done
  [ ${#inputs[@]} -eq 0 ] && continue
  "build/fuzz/tests/fuzz/fuzz_$name" "${common[@]}" "${inputs[@]}" 2>"build/fuzz/replay_$name.log" || {
    cat "build/fuzz/replay_$name.log" >&2
    echo "fuzz target $name failed on a kept input" >&2
    exit 1
  }
done

echo "== fuzzing each target for ${seconds} s ($(date +%T))"
for name in "${targets[@]}"; do
  scratch=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$scratch" "$artifacts"
  if ! "build/fuzz/tests/fuzz/fuzz_$name" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$scratch" "tests/fuzz/$name/corpus" 2>"build/fuzz/fuzz_$name.log"; then
    tail -n 60 "build/fuzz/fuzz_$name.log" >&2
    echo "fuzz target $name found a fault; the input is in $artifacts/" >&2
    exit 1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/fuzz_$name.log")
  echo "$name: ${execs:-?} runs"
done
echo "== fuzzing passed ($(date +%T))"
