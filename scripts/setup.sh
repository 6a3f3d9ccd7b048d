#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, test and run.
# Only missing packages are installed, so a second run takes a moment.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  libtinyxml2-dev nlohmann-json3-dev zlib1g-dev libcurl4-openssl-dev
  libstb-dev libjpeg-dev libglm-dev libreaderwriterqueue-dev libvorbis-dev
  libsdl2-dev libgl1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
  xvfb xauth xdotool fonts-dejavu-core
  python3-cairo python3-pil python3-numpy sox vorbis-tools fonts-arphic-ukai fonts-comfortaa
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
