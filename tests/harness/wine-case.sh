#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh Wine prefix (a copy of a
# template made once per build tree) and on a private virtual display:
# wine64, or with SETUPVDL_WINE_BITS=32 the 32-bit loader, natively or under
# emulation as wine-env.sh decides.
#   wine-case.sh PROGRAM.exe [ARGS...]
# SETUPVDL_WINE_TEMPLATE  template prefix (made here when missing)
# SETUPVDL_KEEP_PREFIX=1  keep the prefix after the run, for a post-mortem
# SETUPVDL_PREFIX_HOOK    a command run with WINEPREFIX set before the program
# SETUPVDL_SESSIONS=N     N runs, each in a new Wine session (see below)
# SETUPVDL_DPI=N          the case runs at N dpi (LogPixels), as a Windows set
#                         to larger fonts does
set -u
exe=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
tpl=${SETUPVDL_WINE_TEMPLATE:-$(dirname "$(dirname "$exe")")/wine-template}
. "$here/wine-env.sh"
wine_enter_namespace "$0" "$exe" "$@"

"$here/make-template.sh" "$tpl" || { echo "cannot make the Wine template $tpl" >&2; exit 1; }

prefix=$(mktemp -d "${TMPDIR:-/tmp}/vdl-prefix.XXXXXX")
out=$(mktemp "${TMPDIR:-/tmp}/vdl-out.XXXXXX")
xvfb_pid=
cleanup() {
  WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX=$prefix "$WINESERVER" -w >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  # The case's own server directory under /tmp (see below), never the
  # template's.
  local server_root
  server_root=$(cat "$prefix/wineserver" 2>/dev/null)
  case $server_root in
    wine-?*) [ "$server_root" = "$(cat "$tpl/wineserver" 2>/dev/null)" ] || rm -rf "/tmp/$server_root" ;;
  esac
  if [ "${SETUPVDL_KEEP_PREFIX:-0}" = 1 ]; then echo "prefix kept: $prefix" >&2; else rm -rf "$prefix"; fi
  rm -f "$out"
}
trap cleanup EXIT

# Hard links for the big read-only system files; real copies of what Wine
# rewrites in place.
cp -al "$tpl/." "$prefix/" || exit 1
for f in system.reg user.reg userdef.reg; do
  rm -f "$prefix/$f"
  cp "$tpl/$f" "$prefix/$f" || exit 1
done
# Debian's Wine keeps the name of a directory under /tmp in the prefix's
# "wineserver" file, and the servers of all prefixes that share that file
# live side by side in it, each keyed by its prefix's inode number, which a
# removed prefix hands on at once. Each case gets a server directory of its
# own instead, made at the first start.
rm -f "$prefix/wineserver"
export WINEPREFIX=$prefix

if [ -z "${SETUPVDL_DISPLAY:-}" ]; then
  dfile=$(mktemp "${TMPDIR:-/tmp}/vdl-display.XXXXXX")
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$dfile" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$dfile")"
  rm -f "$dfile"
else
  export DISPLAY=$SETUPVDL_DISPLAY
fi

if [ -n "${SETUPVDL_DPI:-}" ]; then
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$SETUPVDL_DPI" /f >/dev/null 2>&1 </dev/null ||
    { echo "wine-case: cannot set LogPixels to $SETUPVDL_DPI" >&2; exit 1; }
fi
if [ -n "${SETUPVDL_PREFIX_HOOK:-}" ]; then
  eval "$SETUPVDL_PREFIX_HOOK"
fi

# Wine's background processes inherit the output: write to a file, not a pipe.
# Tests read Wine's call traces of their child processes from it.
# SETUPVDL_SESSIONS=N runs the program N times, each in a Wine session of its
# own as after a restart (the server of the one before has ended), with
# SETUPVDL_SESSION set to 1..N; the first failing run ends the case.
export SETUPVDL_WINE_LOG=$out
for session in $(seq "${SETUPVDL_SESSIONS:-1}"); do
  [ "$session" -gt 1 ] && "$WINESERVER" -w
  SETUPVDL_SESSION=$session "$WINE" "$exe" "$@" >"$out" 2>&1 </dev/null
  rc=$?
  cat "$out"
  # A program that ends in failure without a word is named, with its code.
  [ $rc -eq 0 ] || [ -s "$out" ] || echo "wine-case: $(basename "$exe") (session $session) ended with exit code $rc and wrote nothing" >&2
  [ $rc -eq 0 ] || break
done
exit $rc
