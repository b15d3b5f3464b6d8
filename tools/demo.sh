#!/usr/bin/env bash
# Installs what is missing, builds, and runs the setup under Wine in a
# throwaway prefix.
#  - With DISPLAY set: the wizard appears there; use it as a user would.
#  - Without: the wizard is walked from welcome to finish on a private
#    virtual display by the test driver, then "-u" runs in a fresh prefix;
#    screenshots of every page land in build/demo/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# The shipping i686 executable in a 32-bit Windows: under Wine's 32-bit
# loader, natively or under emulation where the kernel refuses 32-bit code
# (tests/harness/wine-env.sh decides; under emulation this script runs again
# inside the namespace, where it is built already).
tree=i686
export SETUPVDL_WINE_BITS=32
# Only what runs below: setup and the one wizard test program.
if [ "${SETUPVDL_WINE_NAMESPACE:-}" != 1 ]; then
  tools/deps.sh demo
  BUILD_TREES=i686 BUILD_TARGETS="SETUPVDL wizard_test" tools/build.sh
fi
. tests/harness/wine-env.sh
wine_enter_namespace "$0" "$@"
if ! why=$(wine_check); then
  echo "demo: the shipping build cannot run here: $why" >&2
  exit 1
fi
[ "$SETUPVDL_WINE_EMULATED" = 1 ] && echo "== Wine's 32-bit loader under emulation (qemu-i386): about four times slower than native"
out=${BUILD_ROOT:-$root/build}
demo=$out/demo
mkdir -p "$demo"
tpl=$out/$tree/wine-template
tests/harness/make-template.sh "$tpl"
exe=$out/$tree/bin/SETUPVDL.EXE

# What setup left in the prefix, named as Windows names it: the prefix
# itself is removed when the demo ends.
show_installed() {  # prefix
  local f
  for f in windows/system32/VDLite.dll windows/system32/VDLite.exe windows/help/VDLite.hlp windows/help/VDLite.cnt; do
    if [ -f "$1/drive_c/$f" ]; then
      printf 'C:\\%s  %s bytes, %s\n' "${f//\//\\}" "$(stat -c %s "$1/drive_c/$f")" \
        "$(date -u -r "$1/drive_c/$f" '+%Y-%m-%d %H:%M:%S UTC')"
    else
      printf 'C:\\%s is missing\n' "${f//\//\\}"
    fi
  done
  if [ -f "$1/drive_c/SetupVDL.ERR" ]; then echo "error log: $(cat "$1/drive_c/SetupVDL.ERR")"; else echo "no error log"; fi
}

# The wine server may have ended already, so its -k can fail; under set -e
# that would end the trap before the prefix is removed.
remove_prefix() {
  WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}

if [ -n "${DISPLAY:-}" ]; then
  prefix=$(mktemp -d "${TMPDIR:-/tmp}/vdl-demo.XXXXXX")
  trap remove_prefix EXIT
  cp -a "$tpl/." "$prefix/"
  echo "== SETUPVDL.EXE on $DISPLAY (prefix $prefix)"
  # Wine's help viewer finds a bare help file name only along PATH, Windows'
  # also in the help directory: WINEPATH stands in for that on Finish.
  WINEPREFIX=$prefix WINEPATH='C:\windows\help' "$WINE" "$exe" >/dev/null 2>&1 || true
  WINEPREFIX=$prefix "$WINESERVER" -w
  show_installed "$prefix"
  exit 0
fi

echo "== the wizard, walked from welcome to finish (headless)"
SETUPVDL_ARTIFACTS=$demo tests/harness/wine-case.sh "$out/$tree/bin/wizard_test.exe" \
  --gtest_filter='WizardInstall.FromWelcomeToFinishLeavesWhatUnattendedLeaves' | grep -E '^\[ +(OK|FAILED|PASSED) '
for bmp in "$demo"/wizard-*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$demo"/wizard-*.png

echo "== SETUPVDL.EXE -u in a fresh prefix"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vdl-demo.XXXXXX")
trap remove_prefix EXIT
cp -a "$tpl/." "$prefix/"
WINEPREFIX=$prefix "$WINE" reg add 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' \
  /v BootExecute /t REG_MULTI_SZ /d 'autocheck autochk *' /f >/dev/null 2>&1
WINEPREFIX=$prefix "$WINE" "$exe" -u >/dev/null 2>&1
WINEPREFIX=$prefix "$WINESERVER" -w
show_installed "$prefix"
