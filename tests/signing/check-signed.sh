#!/usr/bin/env bash
# Checks the signed release (tools/sign.sh) with a throwaway key and a
# self-signed "VandrelSoft" certificate made here by openssl and removed
# afterwards:
#  - osslsigncode accepts both signatures of VDLite.dll, VDLite.exe,
#    SETUPVDL.EXE and VDLPUSH.EXE against that certificate (SHA-1 first,
#    SHA-256 nested, each with the given signing time) and refuses both in a
#    file with one byte changed after signing;
#  - i686: a second clean signed build with the same key and time is
#    identical byte for byte, and the signed SETUPVDL.EXE passes the PE checks;
#  - --wine: under Wine the signed SETUPVDL.EXE installs with -u; the installed
#    VDLite.dll and VDLite.exe are the signed files, verify on the host, and
#    WinVerifyTrust trusts them with the certificate in the prefix's Root store
#    (installed_trust.cpp).
#   check-signed.sh i686|x64 [--wine]
set -u
arch=${1:-}
case $arch in
  i686) tree=signed cxx=i686-w64-mingw32-g++-posix bits=32 ;;
  x64) tree=signed-x64 cxx=x86_64-w64-mingw32-g++-posix bits=64 ;;
  *) echo "usage: check-signed.sh i686|x64 [--wine]" >&2; exit 2 ;;
esac
wine=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vdl-signed.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail=0
problem() {
  echo "check-signed ($arch): $*" >&2
  fail=1
}
files="payload/plain/VDLite.dll payload/plain/VDLite.exe bin/SETUPVDL.EXE bin/VDLPUSH.EXE"

# The throwaway key: a code-signing certificate of the publisher's name.
cat >"$work/cert.cnf" <<'CNF'
[req]
distinguished_name = dn
prompt = no
x509_extensions = ext
[dn]
CN = VandrelSoft
O = VandrelSoft
[ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
CNF
head -c 24 /dev/urandom | base64 >"$work/password"
{ openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -config "$work/cert.cnf" \
    -keyout "$work/key.pem" -out "$work/cert.pem" &&
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/key.p12" \
    -passout "file:$work/password" &&
  openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.cer"; } >/dev/null 2>&1 ||
  { echo "check-signed ($arch): openssl cannot make the test key and certificate" >&2; exit 1; }
export SETUPVDL_SIGN_PKCS12=$work/key.p12 SETUPVDL_SIGN_PASSWORD_FILE=$work/password
SETUPVDL_SIGN_TIME=$(date +%s)
export SETUPVDL_SIGN_TIME
unset SETUPVDL_SIGN_TIMESTAMP

signed_build() {  # build root
  BUILD_ROOT=$1 "$root/tools/sign.sh" "$arch" >/dev/null || { echo "check-signed ($arch): tools/sign.sh failed" >&2; exit 1; }
}
signed_build "$work/a"
first=$work/a/$tree

signing_time=$(LC_ALL=C date -u -d "@$SETUPVDL_SIGN_TIME" '+%b %e %H:%M:%S %Y GMT')
# One line per signature: its index, digest, signing time and verdict.
# osslsigncode's exit code does not tell: it succeeds when any one verifies.
# (Unbuffered, so that what it writes to stderr stays in its place.)
signatures() {  # file
  stdbuf -o0 osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1 | awk '
    /^Signature Index: / { if (n != "") print n, d, t, v; n = $3; d = t = v = "-" }
    /^Message digest algorithm *:/ { d = $NF }
    /^\tSigning time: / { sub(/^\tSigning time: /, ""); t = $0; gsub(/ /, "_", t) }
    /^Signature verification: / { v = $NF }
    END { if (n != "") print n, d, t, v }'
}
expected="0 SHA1 ${signing_time// /_} ok
1 SHA256 ${signing_time// /_} ok"
for f in $files; do
  answer=$(signatures "$first/$f")
  [ "$answer" = "$expected" ] || problem "$f: the signatures are not SHA-1 and nested SHA-256, both of $signing_time and valid: $answer"
done

# One byte of the DLL's code changed after signing.
altered=$work/altered.dll
cp "$first/payload/plain/VDLite.dll" "$altered"
dd if="$altered" bs=1 skip=1024 count=1 2>/dev/null | tr '\000-\377' '\001-\377\000' |
  dd of="$altered" bs=1 seek=1024 conv=notrunc 2>/dev/null
[ "$(signatures "$altered" | awk '{print $1, $4}' | tr '\n' ' ')" = "0 failed 1 failed " ] ||
  problem "osslsigncode accepts a signature of a VDLite.dll with one byte changed after signing: $(signatures "$altered")"

if [ "$arch" = i686 ]; then
  signed_build "$work/b"
  for f in $files; do
    cmp -s "$first/$f" "$work/b/$tree/$f" || problem "two signed builds with the same key and time differ in $f"
  done
  "$root/tests/harness/check-pe.sh" "$first/bin/SETUPVDL.EXE" >/dev/null || problem "the signed SETUPVDL.EXE fails the PE checks"
fi

if [ "$wine" = --wine ]; then
  # A host path as Wine's drive Z: sees it.
  # shellcheck disable=SC1003
  winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
  mkdir -p "$work/installed"
  "$cxx" -std=c++17 -Wall -Wextra -Werror -Wshadow -Os -static -I"$root/src" -o "$work/installed_trust.exe" \
    "$here/installed_trust.cpp" -lwintrust -lcrypt32 || { echo "check-signed ($arch): cannot build installed_trust.exe" >&2; exit 1; }
  # The test trees' template prefix, made when missing.
  bits_tree=$([ "$arch" = i686 ] && echo i686 || echo x64)
  SETUPVDL_WINE_BITS=$bits SETUPVDL_WINE_TEMPLATE=${BUILD_ROOT:-$root/build}/$bits_tree/wine-template \
    "$root/tests/harness/wine-case.sh" "$work/installed_trust.exe" "$(winpath "$first/bin/SETUPVDL.EXE")" \
    "$(winpath "$work/cert.cer")" "$(winpath "$work/installed")" || problem "the Wine case failed (above)"
  for f in VDLite.dll VDLite.exe; do
    [ -f "$work/installed/$f" ] || { problem "no installed $f came back from the Wine case"; continue; }
    cmp -s "$work/installed/$f" "$first/payload/plain/$f" || problem "the installed $f is not the signed one"
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/installed/$f" >/dev/null 2>&1 ||
      problem "osslsigncode refuses the installed $f"
  done
fi

[ "$fail" = 0 ] && echo "check-signed ($arch): $(for f in $files; do printf '%s %s bytes; ' "${f##*/}" "$(stat -c %s "$first/$f")"; done)all checks passed"
exit $fail
