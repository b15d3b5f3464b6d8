#!/usr/bin/env bash
# Reads the application manifest (type 24, id 1) back from a built image and
# checks it against what every NT from 4.0 on accepts and what setup needs:
# well-formed; each element declares at most one namespace, by a default
# xmlns, no prefixes (XP SP2 and Server 2003 crash on an element declaring
# one twice); in asm.v1 only that schema's own elements (XP refuses others);
# requireAdministrator without uiAccess, the supportedOS ids from Vista to
# 10/11, system dpi awareness, and no common-controls dependency.
#   check-manifest.sh IMAGE.EXE WINDRES
set -u
image=$1
windres=$2
for tool in "$windres" xmllint; do
  command -v "$tool" >/dev/null || { echo "check-manifest: $tool is missing (tools/deps.sh installs it)" >&2; exit 1; }
done
# windres writes the resource back as a script: one quoted line per line.
text=$("$windres" -i "$image" -O rc 2>/dev/null |
  awk '/^1 24 /{on=1; next} on && /^END/{exit} on && /^ *"/{sub(/^ *"/, ""); sub(/"$/, ""); gsub(/""/, "\""); printf "%s", $0}')
[ -n "$text" ] || { echo "check-manifest: $image has no manifest (type 24, id 1)" >&2; exit 1; }
manifest=$(printf '%b' "$text")
fail=0
problem() {
  echo "check-manifest: $image: $*" >&2
  fail=1
}
xpath() { printf '%s' "$manifest" | xmllint --xpath "$1" - 2>/dev/null; }

printf '%s' "$manifest" | xmllint --noout - 2>/dev/null || problem "not well-formed XML"
printf '%s' "$manifest" | grep -qE 'xmlns:|<[A-Za-z]+:' && problem "a namespace prefix"
printf '%s' "$manifest" | grep -qE '<[^>]*xmlns=[^>]*xmlns=' && problem "an element that declares two namespaces"
v1='namespace-uri()="urn:schemas-microsoft-com:asm.v1"'
own='local-name()="assembly" or local-name()="assemblyIdentity" or local-name()="description"'
[ "$(xpath "count(//*[$v1 and not($own)])")" = 0 ] && [ "$(xpath "count(/*[$v1])")" = 1 ] ||
  problem "an element of another schema in asm.v1"
v3='[namespace-uri()="urn:schemas-microsoft-com:asm.v3"]'
[ "$(xpath "string(/*/*${v3}/*/*/*[local-name()=\"requestedExecutionLevel\"]/@level)")" = requireAdministrator ] ||
  problem "no requireAdministrator"
[ "$(xpath "string(//*[local-name()=\"requestedExecutionLevel\"]/@uiAccess)")" = false ] || problem "uiAccess is not false"
ids=$(xpath '//*[namespace-uri()="urn:schemas-microsoft-com:compatibility.v1" and local-name()="supportedOS"]/@Id' |
  tr ' ' '\n' | sed -n 's/^Id="\(.*\)"$/\1/p' | sort | tr '\n' ' ')
[ "$ids" = "{1f676c76-80e1-4239-95bb-83d0f6d0da78} {35138b9a-5d96-4fbd-8e2d-a2440225f93a} {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a} {e2011457-1546-43c5-a5fe-008deee3d3f0} " ] ||
  problem "supportedOS ids are not Vista, 7, 8, 8.1 and 10/11: $ids"
[ "$(xpath "string(/*/*${v3}/*/*[namespace-uri()=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\" and local-name()=\"dpiAware\"])")" = true ] ||
  problem "not dpiAware true (system)"
[ "$(xpath 'count(//*[local-name()="dpiAwareness" or local-name()="dependency"])')" = 0 ] ||
  problem "per-monitor awareness or a dependency (common controls 6)"
[ "$fail" = 0 ] && echo "check-manifest: $image: $(printf '%s' "$manifest" | wc -c) bytes, all checks passed"
exit $fail
