#!/usr/bin/env bash
# The library's main job end to end: a simulated card on loopback, a host
# program that builds a pack and sends it there, and what the card received.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/demo-out"
rm -rf "$out"
mkdir -p "$out/card"

sim_log="$out/card.log"
"$root/$build/tools/cardsim/vexilo-cardsim" --quiet --save "$out/card" --status 0 > "$sim_log" 2>&1 &
sim=$!
trap 'kill -TERM $sim 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  grep -q '^udp ' "$sim_log" 2>/dev/null && break
  sleep 0.05
done
card=$(sed -n 's/^udp //p' "$sim_log" | head -n 1)
if [ -z "$card" ]; then
  echo "demo: the card simulator did not start"; cat "$sim_log"; exit 1
fi
echo "demo: a simulated card listens on $card"

echo "demo: running the quickstart host program in $out"
status=0
VEXILO_HOME="$out" VEXILO_DEMO_CARD="$card" "$root/$build/quickstart" || status=$?

mkdir -p "$out/pages"
"$root/$build/tools/pages/vexilo-pages" "$out/Swap.Dat" "$out/pages" 4

kill -TERM $sim
wait $sim || true
trap - EXIT
echo "demo: what the card received:"
sed -n '/^stopped/,$p' "$sim_log"
echo "demo: the pack is $out/Swap.Dat, its pages $out/pages/*.png, the log $out/Debug.Txt,"
echo "      the card's copies in $out/card/"
exit $status
