#!/usr/bin/env bash
# Makes the template Wine prefix once (under a lock); copies of it are the
# throwaway prefixes of the test cases.
set -u
tpl=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
mkdir -p "$(dirname "$tpl")"
exec 9>"$tpl.lock"
flock 9
[ -f "$tpl/.complete" ] && exit 0
rm -rf "$tpl"
WINEPREFIX=$tpl "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
# No window manager runs on the virtual display: Wine draws the title bars
# and frames itself, as Windows would.
for v in Decorated Managed; do
  WINEPREFIX=$tpl "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v $v /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
done
WINEPREFIX=$tpl "$WINESERVER" -w
[ -f "$tpl/system.reg" ] || exit 1
touch "$tpl/.complete"
