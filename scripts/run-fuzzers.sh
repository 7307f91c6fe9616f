#!/usr/bin/env bash
# Runs every fuzz target briefly on its seed corpus. A crash fails the run.
set -euo pipefail
build=$1
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for src in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  corpus_seed="$root/fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  [ -d "$corpus_seed" ] && cp -r "$corpus_seed"/. "$work"/
  echo "fuzz: $name for ${seconds}s"
  (cd "$work" && "$root/$build/$name" -max_total_time="$seconds" -print_final_stats=0 "$work" 2>&1 | tail -n 3)
  rc=${PIPESTATUS[0]}
  rm -rf "$work"
  if [ "$rc" -ne 0 ]; then echo "fuzz: $name failed"; exit 1; fi
done
echo "fuzz: all targets ran clean"
