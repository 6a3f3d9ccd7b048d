#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   scripts/build.sh release|asan|tsan|fuzz [cmake --build arguments...]
# fuzz: the libFuzzer targets of tests/fuzz only, built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-release}
shift || true
case "$flavour" in
  release) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=address,undefined -DVORN_BENCH=OFF) ;;
  tsan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=thread -DVORN_BENCH=OFF) ;;
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
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${options[@]}" >/dev/null
fi
cmake --build "$dir" -j"${VORN_JOBS:-$(nproc)}" "$@"
