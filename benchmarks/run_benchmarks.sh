#!/usr/bin/env bash
# Runs every benchmark program that was built and collects their last JSON lines.
set -uo pipefail
bin=${1:-build/bin}
for name in bench_model bench_atlas bench_views bench_unwrap bench_edit bench_output; do
  if [ -x "$bin/$name" ]; then
    echo "=== $name"
    "$bin/$name" || echo "$name failed with exit code $?"
  fi
done
