#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the headless GUI runs need.
# Does nothing when every package is already there, so `make run` and `make test` stay fast.
set -euo pipefail
packages=(
  g++ cmake ninja-build make qt6-base-dev libqt6opengl6-dev qt6-svg-dev libgl-dev libglx-dev
  libassimp-dev libeigen3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev xvfb xauth libgl1-mesa-dri mesa-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
