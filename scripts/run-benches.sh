#!/usr/bin/env bash
# Runs every benchmark program of the build.
set -euo pipefail
build=$1
shopt -s nullglob
for b in "$build"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  VEXILO_HOME=$(mktemp -d) "$b" --benchmark_min_time=0.2
done
