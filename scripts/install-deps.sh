#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the headless GUI runs need.
# Does nothing when every package is already there, so `make run` and `make test` stay fast.
#   scripts/install-deps.sh          # what `make`, `make test` and `make test-sanitize` need
#   scripts/install-deps.sh --fuzz   # and the fuzzing build's clang-14, libFuzzer and symbolizer
#   scripts/install-deps.sh --slurm  # and a one-node Slurm (scripts/slurm-local.sh, make test-cluster)
#   scripts/install-deps.sh --tidy   # and clang-tidy for the style check (scripts/tidy.sh, make tidy)
set -euo pipefail
packages=(
  g++ cmake ninja-build make qt6-base-dev libqt6opengl6-dev qt6-svg-dev libgl-dev libglx-dev
  libassimp-dev libeigen3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev xvfb xauth libgl1-mesa-dri mesa-utils
)
# clang-14 compiles the fuzz targets, libclang-rt-14-dev holds libFuzzer and clang's sanitizer
# runtimes, llvm-14 the llvm-symbolizer that turns a finding's stack into file and line.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
fi
if [ "${1:-}" = "--tidy" ]; then
  packages+=(clang-tidy-14)
fi
# The scheduler's controller, node daemon and commands (sbatch, squeue), and its authentication.
if [ "${1:-}" = "--slurm" ]; then
  packages+=(slurmctld slurmd slurm-client munge)
fi
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
