#!/usr/bin/env bash
# Builds the three trees: build/i686 (shipping SETUPVDL.EXE and its Wine
# tests), build/x64 (the same sources and tests for x86_64) and build/native (platform-free logic under
# ASan/UBSan, its tests and fuzzers).  BUILD_ROOT overrides build/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BUILD_ROOT:-$root/build}
jobs=${JOBS:-$(nproc)}
configure() {  # dir, extra args...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel "$@" >/dev/null
}
configure "$out/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSETUPVDL_TESTS=ON
configure "$out/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
configure "$out/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
for t in ${BUILD_TREES:-i686 x64 native}; do
  cmake --build "$out/$t" -j "$jobs"
done
