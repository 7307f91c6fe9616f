#!/usr/bin/env bash
# Checks the Python package: mypy --strict over the package and its tests,
# then pytest against the card simulator of the build folder BUILD.
# Uses Debian's python3 (with python3-pytest, mypy, python3-pil).
# Usage: scripts/test-python.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
py=/usr/bin/python3

for f in "$build/libvexilo.so" "$build/tools/cardsim/vexilo-cardsim"; do
  [ -e "$f" ] || { echo "test-python: $f is missing; build the targets vexilo and vexilo-cardsim" >&2; exit 1; }
done

cd "$root/python"
echo "test-python: mypy --strict"
MYPYPATH="$root/python/tests" "$py" -m mypy --strict --cache-dir "$build/python-mypy-cache" vexilo tests

echo "test-python: pytest"
status=0
VEXILO_LIBRARY="$build/libvexilo.so" VEXILO_BUILD="$build" PYTHONPATH="$root/python" \
  "$py" -m pytest -q -p no:cacheprovider tests || status=$?
if [ "$status" -eq 5 ]; then
  echo "test-python: pytest found no tests" >&2
  exit 1
fi
exit "$status"
