#!/usr/bin/env bash
# Compiles the public header for a 32-bit target, in C and in C++, so that its
# static assertions prove the record layouts where pointers are 4 bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '#include "vexilo.h"\nint main(void){return 0;}\n' > "$tmp/h.c"
cp "$tmp/h.c" "$tmp/h.cpp"
gcc -m32 -std=c11 -Wall -Wextra -Werror -I"$root/include" -c "$tmp/h.c" -o "$tmp/h32c.o"
g++ -m32 -std=c++20 -Wall -Wextra -Werror -I"$root/include" -c "$tmp/h.cpp" -o "$tmp/h32cpp.o"
gcc -m64 -std=c99 -Wall -Wextra -Werror -I"$root/include" -c "$tmp/h.c" -o "$tmp/h64c.o"
echo "header32: vexilo.h layouts hold on 32-bit and 64-bit targets"
