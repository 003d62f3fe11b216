#!/usr/bin/env bash
# clang-tidy (.clang-tidy: braces and naming) over the C++ sources a change touches, using the
# compile commands of an existing build. Any finding fails the run.
#   scripts/tidy.sh BUILD_DIR [BASE]
# BASE is the commit the change starts from; by default the last 20 commits count as the change,
# which covers one working session's commits in CI's fresh clone of main.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
base=${2:-}
bash scripts/install-deps.sh --tidy
if [ -z "$base" ]; then
  base=$(git rev-parse --verify -q HEAD~20 || git rev-list --max-parents=0 HEAD)
fi
mapfile -t files < <(git diff --name-only --diff-filter=AMR "$base" -- '*.cpp' |
  grep -E '^(brontle|peelwise|tools|tests|benchmarks)/' || true)
# Only sources the build compiles: fixture trees (the layer check's) are data, not code.
compiled=()
for f in "${files[@]}"; do
  if grep -qF "\"$PWD/$f\"" "$build/compile_commands.json"; then
    compiled+=("$f")
  fi
done
files=("${compiled[@]+"${compiled[@]}"}")
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no C++ source changed since $base"
  exit 0
fi
echo "tidy: ${#files[@]} changed sources since $(git rev-parse --short "$base")"
# GCC-only warning options in the compile commands are unknown to clang.
printf '%s\n' "${files[@]}" | xargs -P "${JOBS:-2}" -n 4 clang-tidy-14 -p "$build" --quiet \
  --extra-arg=-Wno-unknown-warning-option
