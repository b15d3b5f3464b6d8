#!/usr/bin/env bash
# The benchmark: builds what it needs, then runs every candidate N rounds in
# one throwaway Wine prefix and prints min / median / max of each figure and
# the targets; the figures go to build/bench/results.json too.
#   bench/run.sh [-n ROUNDS] [-r RUNS_PER_ROUND] [-w WARMUP_ROUNDS] [-x VARIANT_SETUPVDL.EXE]
# Each round keeps the fastest of its runs of each candidate (default 3).
# -x times another x86_64 build of SETUPVDL.EXE -u alongside, to measure what
# a change saves.
# BUILD_ROOT overrides build/, as for tools/build.sh.
set -u
rounds=10
warmups=2
repeats=3
variant=
while getopts n:r:w:x: opt; do
  case $opt in
    n) rounds=$OPTARG ;;
    r) repeats=$OPTARG ;;
    w) warmups=$OPTARG ;;
    x) variant=$(realpath "$OPTARG") ;;
    *) echo "usage: bench/run.sh [-n ROUNDS] [-r RUNS_PER_ROUND] [-w WARMUP_ROUNDS] [-x VARIANT_SETUPVDL.EXE]" >&2; exit 2 ;;
  esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${BUILD_ROOT:-$root/build}
bench=$out/bench

tools/deps.sh || exit 1
# The shipping i686 tree whole; of the x86_64 tree only SETUPVDL.EXE, which
# is what runs under wine64 here.
BUILD_TREES=i686 tools/build.sh || { echo "build failed" >&2; exit 1; }
cmake --build "$out/x64" --target SETUPVDL || { echo "build failed" >&2; exit 1; }

# The reference programs and the driver, built like the setup: -Os, static,
# stripped, GUI subsystem for the candidates.
mkdir -p "$bench/payload"
for stored in "$out"/x64/payload/*.??_; do
  name=$(basename "$stored")
  case $name in
    vdlite.dl_) plain=VDLite.dll ;;
    vdlite.ex_) plain=VDLite.exe ;;
    vdlite.hl_) plain=VDLite.hlp ;;
    vdlite.cn_) plain=VDLite.cnt ;;
    *) continue ;;
  esac
  msexpand <"$stored" >"$bench/payload/$plain" || { echo "cannot expand $stored" >&2; exit 1; }
done
cxx=x86_64-w64-mingw32-g++-posix
rc=x86_64-w64-mingw32-windres
flags="-std=c++17 -Os -Wall -Wextra -Werror -Wshadow -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables"
link="-static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp"
set -e
$cxx $flags bench/trivial.cpp -o "$bench/trivial.exe" $link -mwindows
$rc -I "$bench/payload" bench/reference_install.rc -o "$bench/reference_install.res.o"
$cxx $flags bench/reference_install.cpp "$bench/reference_install.res.o" -o "$bench/reference_install.exe" \
  $link -mwindows -ladvapi32
$rc -DSETUP_STARTUP -I "$bench/payload" -I res bench/reference_install.rc -o "$bench/startup_floor.res.o"
$cxx $flags -DSETUP_STARTUP bench/reference_install.cpp "$bench/startup_floor.res.o" -o "$bench/startup_floor.exe" \
  $link -mwindows -ladvapi32 -lshlwapi
$rc bench/reference_dialog.rc -o "$bench/reference_dialog.res.o"
$cxx $flags bench/reference_dialog.cpp "$bench/reference_dialog.res.o" -o "$bench/reference_dialog.exe" $link -mwindows
# The NSIS 3 peer, carrying the same expanded files and the licence text.
makensis -V2 -DPAYLOAD="$bench/payload" -DLICENCE="$root/res/license.txt" -DOUTFILE="$bench/nsis_peer.exe" \
  bench/nsis_peer.nsi
$cxx -std=c++17 -O2 -Wall -Wextra -Werror -Wno-cast-function-type -DWIN32_LEAN_AND_MEAN -D_WIN32_WINNT=0x0501 \
  -D_WIN32_IE=0x0500 -I res -I tests/driver bench/driver.cpp tests/driver/test_driver.cpp \
  -o "$bench/driver.exe" -static -static-libgcc -static-libstdc++ -lcomctl32 -lpsapi -lgdi32 -luser32 -ladvapi32
set +e

# One prefix, copied from the tests' template, on its own virtual display.
export SETUPVDL_WINE_TEMPLATE=$out/x64/wine-template
echo "load before the run: $(uptime)"
tests/harness/wine-case.sh "$bench/driver.exe" \
  --rounds "$rounds" --repeats "$repeats" --warmups "$warmups" \
  --setup "$out/x64/bin/SETUPVDL.EXE" \
  --trivial "$bench/trivial.exe" \
  --reference-install "$bench/reference_install.exe" \
  --reference-dialog "$bench/reference_dialog.exe" \
  --startup-floor "$bench/startup_floor.exe" \
  --nsis "$bench/nsis_peer.exe" \
  ${variant:+--variant "$variant"} \
  --payload "$bench/payload" \
  --shipping "$out/i686/bin/SETUPVDL.EXE" \
  --sizes "$bench/sizes.tsv" \
  --json "$bench/results.json"
status=$?
echo "load after the run: $(uptime)"
exit $status
