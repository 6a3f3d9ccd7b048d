#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   scripts/build.sh release|asan|tsan|fuzz [cmake --build arguments...]
# fuzz: the libFuzzer targets of tests/fuzz only, built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-release}
shift || true
# The release flavour keeps the engine optimised for the benchmarks; the
# sanitizer flavours build at -O1 and their test programs at -O0, where
# compiling instrumented code costs a fraction of -O2. Line tables (-g1) are
# enough for every backtrace and profile. They build no tools, benchmarks or
# end-to-end runs (those run the real program at a person's pace, in the
# release flavour).
case "$flavour" in
  release) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG") ;;
  asan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
                    "-DVORN_TEST_OPTIMIZE=-O0;-g1" -DVORN_SANITIZE=address,undefined -DVORN_BENCH=OFF -DVORN_TOOLS=OFF
                    -DVORN_E2E=OFF) ;;
  tsan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
                    "-DVORN_TEST_OPTIMIZE=-O0;-g1" -DVORN_SANITIZE=thread -DVORN_BENCH=OFF -DVORN_TOOLS=OFF
                    -DVORN_E2E=OFF) ;;
  # Lightly optimised, with line tables only, so that the build stays short
  # and reports still name lines; assertions stay on.
  fuzz)    options=(-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DVORN_FUZZ=ON -DVORN_TESTS=OFF
                    -DVORN_BENCH=OFF -DCMAKE_BUILD_TYPE=Fuzz -DCMAKE_C_FLAGS_FUZZ="-O1 -gline-tables-only"
                    -DCMAKE_CXX_FLAGS_FUZZ="-O1 -gline-tables-only") ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

# ccache hashes paths inside the clone relative to it, and not the build
# folder, so that clones in other folders (CI's) hit what this one compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

dir=build/$flavour
generator=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S . -B "$dir" "${generator[@]}" "${options[@]}" >/dev/null
cmake --build "$dir" -j"${VORN_JOBS:-$(nproc)}" "$@"
