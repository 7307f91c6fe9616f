#!/usr/bin/env bash
# Runs fuzz targets for longer and keeps what they learn: each target runs
# for the given time from its seed corpus, then the inputs that add coverage
# are merged into fuzz/corpus/<name>/, so that the short runs of `make test`
# start from them. A crash fails the run and leaves its input in the folder
# the fuzzer ran in.
#   scripts/fuzz-long.sh BUILD SECONDS [TARGET ...]   (all targets without names)
set -euo pipefail
build=$1
seconds=${2:-300}
shift 2 || true
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$build
[[ "$bin" = /* ]] || bin="$root/$build"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$root"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
for name in "${targets[@]}"; do
  name=${name%_fuzz}_fuzz
  corpus="$root/fuzz/corpus/${name%_fuzz}"
  mkdir -p "$corpus"
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/
  before=$(find "$corpus" -type f | wc -l)
  echo "fuzz: $name for ${seconds}s"
  rc=0
  (cd "$work" && "$bin/$name" -max_total_time="$seconds" -print_final_stats=1 "$work" > "$work.log" 2>&1) || rc=$?
  tail -n 12 "$work.log"
  if [ "$rc" -ne 0 ]; then
    echo "fuzz: $name failed; its log is $work.log, the crashing input is in $work"
    exit 1
  fi
  "$bin/$name" -merge=1 "$corpus" "$work" > "$work.merge.log" 2>&1
  after=$(find "$corpus" -type f | wc -l)
  echo "fuzz: $name corpus $before -> $after inputs"
  rm -rf "$work" "$work.log" "$work.merge.log"
done
