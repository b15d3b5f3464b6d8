#!/usr/bin/env bash
# The manifest (type 24, id 1) read back from a built image: well-formed, at
# most one namespace declared per element, by a default xmlns, no prefixes,
# nothing of another schema in asm.v1 (what XP and Server 2003 need), and
# setup's settings: requireAdministrator without uiAccess, the supportedOS ids
# of Vista, 7, 8, 8.1 and 10/11, system dpi awareness, no dependency.
#   check-manifest.sh IMAGE.EXE WINDRES
set -u
command -v xmllint >/dev/null || { echo "check-manifest: xmllint is missing (tools/deps.sh installs it)" >&2; exit 1; }
# windres writes the resource back as quoted lines, a long one split in two.
m=$(printf '%b' "$("$2" -i "$1" -O rc | awk '/^1 24 /{on=1; next} on && /^END/{exit}
  on && /^ *"/ {sub(/^ *"/, ""); sub(/"$/, ""); gsub(/""/, "\""); printf "%s", $0}')")
x() { printf '%s' "$m" | xmllint --xpath "$1" - 2>/dev/null; }
is() { printf '[local-name()="%s" and namespace-uri()="%s"]' "$1" "$2"; }
v3=urn:schemas-microsoft-com:asm.v3
found="$(printf '%s' "$m" | xmllint --noout - 2>&1 && echo well-formed)
$(printf '%s' "$m" | grep -cE 'xmlns:|<[A-Za-z]+:|<[^>]*xmlns=[^>]*xmlns=') prefixes or twice-declaring elements
$(x 'count(//*[namespace-uri()="urn:schemas-microsoft-com:asm.v1" and local-name()!="assembly" and local-name()!="assemblyIdentity"])') foreign in asm.v1
$(x "string(/*/*$(is trustInfo $v3)/*/*/*$(is requestedExecutionLevel $v3)/@level)") $(x 'string(//@uiAccess)')
$(x "//*$(is supportedOS urn:schemas-microsoft-com:compatibility.v1)/@Id" | sed 's/^ *Id="{\(.*\)}"$/\1/' | paste -sd' ')
dpiAware $(x "string(/*/*$(is application $v3)/*/*$(is dpiAware http://schemas.microsoft.com/SMI/2005/WindowsSettings))")
$(x 'count(//*[local-name()="dependency" or local-name()="dpiAwareness"])') dependencies or per-monitor settings"
expected="well-formed
0 prefixes or twice-declaring elements
0 foreign in asm.v1
requireAdministrator false
e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a
dpiAware true
0 dependencies or per-monitor settings"
[ "$found" = "$expected" ] && { echo "check-manifest: $1: ${#m} bytes, as expected"; exit 0; }
diff <(echo "$expected") <(echo "$found") | sed "s|^|check-manifest: $1: |" >&2
exit 1
