# Shared Wine settings for the harness scripts, the demo and the benchmark
# (sourced).
# SETUPVDL_WINE_BITS=32 gives a 32-bit Windows (a win32 prefix under the
# 32-bit loader, as NT 4.0 and 2000 are); otherwise a 64-bit one (wine64).
#
# This is also the one place that decides how the 32-bit loader runs: natively
# where the kernel allows 32-bit code, otherwise under qemu-i386 (unpacked by
# tools/deps.sh into the cache folder below) inside a user and mount namespace
# of its own, whose private binfmt_misc hands every i386 program (Wine
# re-executes its loader for each Windows process) to qemu. The native 64-bit
# wineserver, Xvfb and the tools run as they are; nothing is registered on
# the machine. A script that runs 32-bit Wine calls
#   wine_enter_namespace "$0" "$@"
# right after sourcing this file: it re-executes the script inside such a
# namespace when needed and returns at once otherwise.
# SETUPVDL_WINE_I386=emulated takes the emulated road even where the loader
# runs natively (=native never takes it).
# SETUPVDL_WAIT_SCALE is the factor for waits sized for native speed (4
# under emulation, 1 otherwise): the test driver and the CTest time-outs use it.
qemu_dir=${SETUPVDL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/setupvdl}/qemu-i386
qemu_bin=$qemu_dir/qemu-i386
# qemu before 8.1 treats MAP_FIXED_NOREPLACE as a hint, and Wine's 32-bit
# loader then never finishes reserving its address space.
qemu_usable() {
  local v
  v=$("$qemu_bin" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')
  [ -n "$v" ] && set -- $v && { [ "$1" -gt 8 ] || { [ "$1" = 8 ] && [ "$2" -ge 1 ]; }; }
}

SETUPVDL_WINE_EMULATED=0
if [ "${SETUPVDL_WINE_BITS:-64}" = 32 ]; then
  WINE=${WINE:-/usr/lib/wine/wine}
  export WINEARCH=win32
  if [ "${SETUPVDL_WINE_NAMESPACE:-}" = 1 ]; then
    # Inside the namespace that wine_enter_namespace made (for this process
    # or one it descends from).
    SETUPVDL_WINE_EMULATED=1
    if [ ! -e /proc/sys/fs/binfmt_misc/setupvdl-i386 ]; then
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || echo "wine-env: cannot mount binfmt_misc in the namespace" >&2
      # i386 ELF executables and shared objects; F opens qemu-i386 now, so
      # the entry works whatever the namespace's view of the file system.
      printf '%s' ':setupvdl-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu_bin"':F' \
        >/proc/sys/fs/binfmt_misc/register || echo "wine-env: cannot register qemu-i386 with binfmt_misc" >&2
    fi
  elif [ "${SETUPVDL_WINE_I386:-}" = emulated ]; then
    # Emulation chosen on a machine that could run the loader natively, to
    # try that road here.
    SETUPVDL_WINE_EMULATED=1
  elif [ "${SETUPVDL_WINE_I386:-}" != native ] && ! "$WINE" --version >/dev/null 2>&1; then
    SETUPVDL_WINE_EMULATED=1
  fi
else
  WINE=${WINE:-/usr/lib/wine/wine64}
  export WINEARCH=win64
fi
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
if [ "$SETUPVDL_WINE_EMULATED" = 1 ]; then
  export SETUPVDL_WAIT_SCALE=4
else
  export SETUPVDL_WAIT_SCALE=1
fi

# Says in one line why this machine cannot run the chosen Wine, and fails.
wine_check() {
  local answer
  if [ "$SETUPVDL_WINE_EMULATED" = 1 ]; then
    qemu_usable || { echo "$WINE runs under emulation here, but there is no qemu-i386 8.1 or later at $qemu_bin (tools/deps.sh unpacks it)"; return 1; }
    unshare --user --map-root-user --mount --propagation private \
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
      { echo "$WINE runs under emulation here, but this kernel gives no binfmt_misc of its own to a user and mount namespace (Linux 6.7 or later does)"; return 1; }
    return 0
  fi
  answer=$("$WINE" --version 2>&1) || { echo "$WINE cannot run: ${answer%%$'\n'*}"; return 1; }
}

# Re-executes the calling script (path and arguments) inside a namespace
# whose binfmt_misc runs i386 programs through qemu-i386, when the 32-bit
# loader cannot run natively; returns when it can, or when already inside.
# The process keeps its id (no fork), so whoever waits for it or ends it
# still reaches it.
wine_enter_namespace() {
  [ "$SETUPVDL_WINE_EMULATED" = 1 ] && [ "${SETUPVDL_WINE_NAMESPACE:-}" != 1 ] || return 0
  local why
  why=$(wine_check) || { echo "wine-env: $why" >&2; exit 1; }
  exec unshare --user --map-root-user --mount --propagation private \
    env SETUPVDL_WINE_NAMESPACE=1 "$BASH" "$@"
}

# No Mono/Gecko download prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=${WINEDEBUG:--all}
# Wine sees no host font: a prefix renders the same on every machine.
FONTCONFIG_FILE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/fonts.conf
export FONTCONFIG_FILE
