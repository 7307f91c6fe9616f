#!/usr/bin/env bash
# Runs the quickstart host program in a fresh demo folder.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/demo-out"
rm -rf "$out"
mkdir -p "$out"
echo "demo: running the quickstart host program in $out"
VEXILO_HOME="$out" "$root/$build/quickstart"
mkdir -p "$out/pages"
"$root/$build/tools/pages/vexilo-pages" "$out/Swap.Dat" "$out/pages" 4
echo "demo: the pack is $out/Swap.Dat, its pages $out/pages/*.png, the log $out/Debug.Txt"
