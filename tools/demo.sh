#!/usr/bin/env bash
# Installs what is missing, builds, and runs the setup under Wine in a
# throwaway prefix: the unattended installation, then the usage message.
# With DISPLAY set the windows appear there; otherwise a private Xvfb is used
# and screenshots land in build/demo/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
tools/build.sh
out=${BUILD_ROOT:-$root/build}
demo=$out/demo
mkdir -p "$demo"
. tests/harness/wine-env.sh
tests/harness/make-template.sh "$out/x64/wine-template"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vdl-demo.XXXXXX")
xvfb=
cleanup() {
  WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT
cp -a "$out/x64/wine-template/." "$prefix/"
export WINEPREFIX=$prefix
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :93 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:93
  sleep 1
fi
exe=$out/x64/bin/SETUPVDL.EXE
echo "== SETUPVDL.EXE -u"
"$WINE" "$exe" -u >/dev/null 2>&1
sys=$prefix/drive_c/windows/system32
hlp=$prefix/drive_c/windows/help
ls -l --time-style=full-iso "$sys/VDLite.dll" "$sys/VDLite.exe" "$hlp/VDLite.hlp" "$hlp/VDLite.cnt" 2>&1 || true
[ -f "$prefix/drive_c/SetupVDL.ERR" ] && echo "error log: $(cat "$prefix/drive_c/SetupVDL.ERR")" || echo "no error log: the installation succeeded"
echo "== SETUPVDL.EXE /? (usage message)"
"$WINE" "$exe" '/?' >/dev/null 2>&1 &
sleep 3
import -window root "$demo/usage.png" && echo "screenshot: $demo/usage.png"
WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
