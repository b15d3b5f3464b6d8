#!/usr/bin/env bash
# Makes the template Wine prefix once (under a lock); copies of it are the
# throwaway prefixes of the test cases, the demo and the benchmark.
#   make-template.sh TEMPLATE_DIR
# The prefix renders as Windows 2000 does at 96 dpi, whatever fonts the host
# has: dialogs in the bitmap "MS Sans Serif" (base units 6 x 13 at 8 points;
# its "Large Fonts" face for a case run at more dpi), Arial through Liberation
# Sans (made to Arial's metrics), Tahoma for message boxes and title bars,
# Marlett for the caption buttons, the bitmap System font (8 x 16); no visual
# style, and Windows 2000's "Windows Standard" colours.
set -u
tpl=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
wine_enter_namespace "$0" "$@"
mkdir -p "$(dirname "$tpl")"
exec 9>"$tpl.lock"
flock 9
# A template made by an older definition is made again.
stamp=$(cat "$here/make-template.sh" "$here/wine-env.sh" "$here/fonts.conf" | sha1sum | cut -d' ' -f1)
[ "$(cat "$tpl/.complete" 2>/dev/null)" = "$stamp" ] && exit 0
rm -rf "$tpl"

wine_fonts=/usr/share/wine/fonts
liberation=/usr/share/fonts/truetype/liberation
fonts="$wine_fonts/sserife.fon $wine_fonts/sseriff.fon $wine_fonts/vgasys.fon $wine_fonts/marlett.ttf
 $wine_fonts/tahoma.ttf $wine_fonts/tahomabd.ttf
 $liberation/LiberationSans-Regular.ttf $liberation/LiberationSans-Bold.ttf
 $liberation/LiberationSans-Italic.ttf $liberation/LiberationSans-BoldItalic.ttf"
for f in $fonts; do
  [ -f "$f" ] || { echo "make-template: missing font $f (tools/deps.sh installs it)" >&2; exit 1; }
done

reg() {  # key, value, type, data
  WINEPREFIX=$tpl "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 </dev/null
}
WINEPREFIX=$tpl "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
# Wine picks up bitmap (.fon) faces only from the prefix's own font folder,
# never through fontconfig, which offers it outline faces alone.
cp $fonts "$tpl/drive_c/windows/Fonts/" || exit 1
# Windows keeps its help program in the Windows directory, where setup
# starts it. Wine puts its 32-bit one there, which a 64-bit prefix lacks
# where 32-bit programs cannot run while it is made: the 64-bit one stands in.
win=$tpl/drive_c/windows
[ -e "$win/winhlp32.exe" ] || cp "$win/system32/winhlp32.exe" "$win/" || exit 1
reg 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 96
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' 'MS Shell Dlg' REG_SZ 'MS Sans Serif'
reg 'HKCU\Software\Wine\Fonts\Replacements' Arial REG_SZ 'Liberation Sans'
# Wine's own visual style off, and Windows 2000's "Windows Standard" colours.
{
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\n'
  printf '"ThemeActive"="0"\n\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\n'
  while read -r r g b names; do
    for n in $names; do printf '"%s"="%s %s %s"\n' "$n" "$r" "$g" "$b"; done
  done <<'COLOURS'
212 208 200 ButtonFace Menu Scrollbar ActiveBorder InactiveBorder ButtonLight InactiveTitleText
128 128 128 ButtonShadow GrayText AppWorkSpace InactiveTitle
64 64 64 ButtonDkShadow
255 255 255 ButtonHilight Window HilightText TitleText
10 36 106 ActiveTitle Hilight
166 202 240 GradientActiveTitle
192 192 192 GradientInactiveTitle
255 255 225 InfoWindow
0 0 128 HotTrackingColor
58 110 165 Background
181 181 181 ButtonAlternateFace
0 0 0 ButtonText MenuText WindowText InfoText WindowFrame
COLOURS
} >"$tpl/drive_c/colours.reg"
WINEPREFIX=$tpl "$WINE" regedit /S 'C:\colours.reg' >/dev/null 2>&1 </dev/null
rm -f "$tpl/drive_c/colours.reg"
# No window manager runs on the virtual display: Wine draws the title bars
# and frames itself, as Windows would.
for v in Decorated Managed; do
  reg 'HKCU\Software\Wine\X11 Driver' $v REG_SZ N
done
WINEPREFIX=$tpl "$WINESERVER" -w
[ -f "$tpl/system.reg" ] || exit 1
echo "$stamp" >"$tpl/.complete"
