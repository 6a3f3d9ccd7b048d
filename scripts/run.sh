#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from the project
# folder (the game reads its data/ folder from the working directory).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release --target mahjong
exec ./build/release/mahjong "$@"
