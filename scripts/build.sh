#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   scripts/build.sh release|asan|tsan [cmake --build arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-release}
shift || true
case "$flavour" in
  release) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=address,undefined -DVORN_BENCH=OFF) ;;
  tsan)    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=thread -DVORN_BENCH=OFF) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

dir=build/$flavour
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${options[@]}" >/dev/null
fi
cmake --build "$dir" -j"$(nproc)" "$@"
