#!/usr/bin/env bash
# Builds the three trees: build/i686 (shipping SETUPVDL.EXE, VDLPUSH.EXE
# and their Wine tests), build/x64 (the same sources and tests for x86_64)
# and build/native (platform-free logic under ASan/UBSan, its tests and
# fuzzers).
#   BUILD_ROOT     the folder of the trees instead of build/
#   BUILD_TREES    only these trees, configured and built ("i686 x64 native")
#   BUILD_TARGETS  only these targets of each ("SETUPVDL wizard_test"; all)
#   JOBS           parallel jobs (the number of processors)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BUILD_ROOT:-$root/build}
jobs=${JOBS:-$(nproc)}
configure() {  # dir, extra args...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel "$@" >/dev/null
}
for t in ${BUILD_TREES:-i686 x64 native}; do
  case $t in
    i686) configure "$out/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSETUPVDL_TESTS=ON ;;
    x64) configure "$out/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" ;;
    native) configure "$out/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ ;;
    *) echo "build.sh: no tree '$t' (i686, x64, native)" >&2; exit 1 ;;
  esac
  # shellcheck disable=SC2086  # a list of target names
  cmake --build "$out/$t" -j "$jobs" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
done
