#!/usr/bin/env bash
# Runs every benchmark program that was built and collects their last JSON lines.
set -uo pipefail
bin=${1:-build/bin}
# bench_atlas also measures real scanned and modelled meshes from Debian's data packages.
meshes=$(bash "$(dirname "$0")/../scripts/fetch-bench-meshes.sh" "$bin/../bench-meshes" || true)
for name in bench_model bench_atlas bench_atlas_speed bench_views bench_unwrap bench_edit bench_output bench_batch; do
  if [ -x "$bin/$name" ]; then
    echo "=== $name"
    if [ "$name" = bench_atlas ]; then
      # shellcheck disable=SC2086
      "$bin/$name" $meshes || echo "$name failed with exit code $?"
    else
      "$bin/$name" || echo "$name failed with exit code $?"
    fi
  fi
done
