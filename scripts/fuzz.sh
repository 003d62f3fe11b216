#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang-14, PEELWISE_FUZZ=ON) and runs each one for
# SECONDS (default 20) on its seed corpus in fuzz/corpus/<target>/. Inputs the fuzzer finds
# interesting go to a scratch folder (build-fuzz/fuzz-work/<target>/corpus), never into the
# committed corpus; crash, leak and timeout inputs and each target's log land beside it.
# Exits non-zero when any target reports a crash, hang, sanitizer error or unexpected exception.
# Installs what is missing first (scripts/install-deps.sh --fuzz: clang-14, libFuzzer, ...).
#
#   scripts/fuzz.sh            # 20 s per target
#   scripts/fuzz.sh 600        # a longer run
#   scripts/fuzz.sh --short    # the CI run (make fuzz-short): 20 s per target from the
#                              # committed seeds only, each target's scratch folder emptied first
#   FUZZ_TARGETS="fuzz_bmp fuzz_atlas" scripts/fuzz.sh 60
set -u -o pipefail

short=0
if [ "${1:-}" = "--short" ]; then
  short=1
  shift
fi
seconds="${1:-${FUZZ_SECONDS:-20}}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
targets="${FUZZ_TARGETS:-fuzz_mesh_obj fuzz_mesh_ply fuzz_mesh_stl fuzz_mesh_off fuzz_mesh_gltf fuzz_mesh_glb fuzz_mesh_fbx fuzz_bmp fuzz_settings fuzz_atlas fuzz_command_line}"

bash "$root/scripts/install-deps.sh" --fuzz || exit 2
if ! command -v clang++-14 >/dev/null; then
  echo "fuzz.sh: clang++-14 is needed (apt-get install clang-14 libclang-rt-14-dev)" >&2
  exit 2
fi
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DPEELWISE_FUZZ=ON \
  -DPEELWISE_WERROR=OFF -DCMAKE_CXX_FLAGS=-Wno-unknown-warning-option >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log" >&2
  exit 2
}
# shellcheck disable=SC2086 # the target list is meant to split
cmake --build "$build" -j2 --target $targets || exit 2

# Qt (the settings target) needs no display; UBSan stops at the first report with a stack;
# leaks made inside Assimp's own readers are not findings in this code (see the suppressions).
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan-assimp.supp:print_suppressions=0}"

failed=()
for target in $targets; do
  work="$build/fuzz-work/$target"
  # The short run answers for the committed seeds alone, not for what earlier runs collected.
  [ "$short" -eq 1 ] && rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  echo "== $target: ${seconds} s"
  # The scratch corpus comes first, so new inputs are written there; the seeds are read only.
  # The short run uses one fixed random seed, so CI tries the same inputs on every run and a
  # failure there is one anybody can repeat; the longer runs take a new seed each time to
  # reach further.
  seed=()
  [ "$short" -eq 1 ] && seed=(-seed=1)
  "$build/bin/$target" "$work/corpus" "$root/fuzz/corpus/$target" "${seed[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" >"$work/log.txt" 2>&1
  status=$?
  grep -E "^#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec" \
    "$work/log.txt" | tail -3
  if [ "$status" -ne 0 ]; then
    echo "$target FAILED (exit $status): see $work/log.txt and $work/artifacts/" >&2
    # The report itself, from its first line: enough of the stack to act on from a CI log.
    first=$(grep -n -m1 -E "^==[0-9]+==ERROR|runtime error|ALARM|deadly signal|terminate called|out-of-memory" \
      "$work/log.txt" | cut -d: -f1)
    sed -n "${first:-1},$((${first:-1} + 40))p" "$work/log.txt" >&2
    failed+=("$target")
  fi
done

if [ "${#failed[@]}" -ne 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz.sh: no findings"
