# Shared Wine settings for the harness scripts, the demo and the benchmark
# (sourced).
# SETUPVDL_WINE_BITS=32 gives a 32-bit Windows (a win32 prefix under the
# 32-bit loader, as NT 4.0 and 2000 are); otherwise a 64-bit one (wine64).
if [ "${SETUPVDL_WINE_BITS:-64}" = 32 ]; then
  WINE=${WINE:-/usr/lib/wine/wine}
  export WINEARCH=win32
else
  WINE=${WINE:-/usr/lib/wine/wine64}
  export WINEARCH=win64
fi
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
# No Mono/Gecko download prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=${WINEDEBUG:--all}
# Wine sees no host font: a prefix renders the same on every machine.
FONTCONFIG_FILE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/fonts.conf
export FONTCONFIG_FILE
