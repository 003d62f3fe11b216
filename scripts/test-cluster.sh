#!/usr/bin/env bash
# make test-cluster: peelwise-unwrap --slurm on a real one-node Slurm (scripts/slurm-local.sh).
# Generates 13 meshes (12 good ones in two folders and a corrupt one), runs them once as a
# one-machine batch and once as a 4-task job array, waits for the array and its merge job, and
# checks that every task unwrapped its share, that every good input has its output and the bad
# one none, and that the merged report equals the one-machine report apart from the times.
# The daemons are stopped and the scratch folder removed however the test ends.
#   scripts/test-cluster.sh [BUILD]      (BUILD: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$(cd "$build/bin" && pwd)/peelwise-unwrap
[ -x "$program" ] || { echo "test-cluster: $program is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/peelwise-cluster.XXXXXX)
export SLURM_LOCAL_DIR=$work/slurm-local
cleanup() {
  bash scripts/slurm-local.sh stop || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "test-cluster: FAILED: $*" >&2; exit 1; }

# An n x n grid of quads bent over a quarter cylinder, as OBJ.
grid() {
  awk -v n="$1" 'BEGIN {
    for (y = 0; y <= n; y++) for (x = 0; x <= n; x++)
      printf "v %.6f %.6f %.6f\n", cos(1.5708 * x / n), y / n, sin(1.5708 * x / n);
    for (y = 0; y < n; y++) for (x = 0; x < n; x++) {
      i = 1 + y * (n + 1) + x;
      printf "f %d %d %d %d\n", i, i + 1, i + n + 2, i + n + 1;
    }
  }' >"$2"
}
mkdir -p "$work/in/props" "$work/in/rocks"
for i in $(seq 1 6); do
  grid $((4 + i)) "$work/in/props/p$i.obj"
  grid $((12 - i)) "$work/in/rocks/r$i.obj"
done
printf 'v 1 2\nf 7 8 9\n' >"$work/in/rocks/broken.obj"
inputs=13

eval "$(bash scripts/slurm-local.sh start)"
[ -n "${SLURM_CONF:-}" ] || fail "the local Slurm did not start"

set +e
"$program" --batch "$work/in" --out-dir "$work/one" -j 2 >"$work/one.txt"
one=$?
"$program" --batch "$work/in" --out-dir "$work/array" --slurm --array-size 4 --time 10 --wait \
  >"$work/array.txt"
array=$?
set -e
cat "$work/array.txt"
[ "$one" = 1 ] || fail "the one-machine batch returned $one, not 1 (one input is corrupt)"
[ "$array" = 1 ] || fail "the job array returned $array, not 1 (one input is corrupt)"

# Each of the 4 tasks unwrapped every 4th input: 4, 3, 3 and 3 of the 13.
for task in 0 1 2 3; do
  expected=$(((inputs - task + 3) / 4))
  log=$(ls "$work/array/slurm/"task-*_"$task".out 2>/dev/null | head -n 1)
  [ -n "$log" ] || fail "task $task left no log"
  grep -q "^$expected files: " "$log" || fail "task $task did not do $expected files: $(cat "$log")"
done
ls "$work/array"/report.task-*.jsonl >/dev/null 2>&1 && fail "the shards were not merged"

for f in props/p1 props/p2 props/p3 props/p4 props/p5 props/p6 \
         rocks/r1 rocks/r2 rocks/r3 rocks/r4 rocks/r5 rocks/r6; do
  [ -s "$work/array/$f.obj" ] && [ -s "$work/array/$f.mtl" ] || fail "no output for $f"
  grep -q '^vt ' "$work/array/$f.obj" || fail "$f.obj has no texture coordinates"
  cmp -s "$work/array/$f.obj" "$work/one/$f.obj" || fail "$f.obj differs from the one-machine one"
done
[ -e "$work/array/rocks/broken.obj" ] && fail "the corrupt input has an output"

# The reports, apart from the times.
untimed() { sed -E 's/"seconds":[-+0-9.eE]+/"seconds":0/g' "$1"; }
[ "$(wc -l <"$work/array/report.jsonl")" = "$inputs" ] || fail "the merged report has not $inputs lines"
diff <(untimed "$work/one/report.jsonl") <(untimed "$work/array/report.jsonl") ||
  fail "the merged report differs from the one-machine report"
grep -q '"input":"rocks/broken.obj".*"status":"failed"\|"status":"failed".*"input":"rocks/broken.obj"' \
  "$work/array/report.jsonl" || fail "the corrupt input is not reported as failed"

# Resume across the array: a second submission skips everything that was done.
set +e
"$program" --batch "$work/in" --out-dir "$work/array" --slurm --array-size 4 --wait >"$work/again.txt"
set -e
grep -q "^13 files: 0 ok, 1 failed, 12 skipped" "$work/again.txt" ||
  fail "the second array did not skip the done inputs: $(cat "$work/again.txt")"
echo "test-cluster: passed (4 array tasks, $inputs inputs, merged report equals the one-machine report)"
