#!/usr/bin/env bash
# Builds the shipping executable again in a clean tree and compares it byte
# for byte with the given one: no time stamps or paths may leak in.
set -u
first=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
second_tree=$(mktemp -d "${TMPDIR:-/tmp}/vdl-repro.XXXXXX")
trap 'rm -rf "$second_tree"' EXIT
cmake -S "$root" -B "$second_tree" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSETUPVDL_TESTS=OFF >/dev/null &&
  cmake --build "$second_tree" >/dev/null || { echo "second build failed"; exit 1; }
if cmp "$first" "$second_tree/bin/SETUPVDL.EXE"; then
  echo "reproducible: $(stat -c %s "$first") bytes, identical in two clean builds"
else
  echo "the two builds of SETUPVDL.EXE differ"
  exit 1
fi
