#!/usr/bin/env bash
# Builds the signed release in a tree of its own: VDLite.dll and VDLite.exe
# are signed as soon as they are linked, so setup's compressed resources
# carry the signed files, and SETUPVDL.EXE is signed last. Each file gets two
# Authenticode signatures: SHA-1, which every NT from 4.0 on can check, and a
# SHA-256 one nested after it, which Windows 7 and later check. The default
# build (tools/build.sh) stays unsigned.
#   tools/sign.sh [i686|x64]   the release (i686) in $BUILD_ROOT/signed, or
#                              the x86_64 test vehicle in $BUILD_ROOT/signed-x64
#   tools/sign.sh --file PE    signs one file in place (the signed build's step)
# SETUPVDL_SIGN_PKCS12         the PKCS#12 file: key and certificate (chain)
# SETUPVDL_SIGN_PASSWORD_FILE  a file whose first line is its password
# SETUPVDL_SIGN_TIMESTAMP      an RFC 3161 time-stamp server's URL (optional)
# SETUPVDL_SIGN_TIME           without a time-stamp server, the signing time
#                              that every signature carries (Unix seconds;
#                              default SOURCE_DATE_EPOCH, else the time of the
#                              last commit): the same key, time and sources
#                              then give byte-identical files
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
  echo "sign.sh: $*" >&2
  exit 1
}

check_key() {
  [ -n "${SETUPVDL_SIGN_PKCS12:-}" ] || fail "SETUPVDL_SIGN_PKCS12 names no PKCS#12 file"
  [ -n "${SETUPVDL_SIGN_PASSWORD_FILE:-}" ] || fail "SETUPVDL_SIGN_PASSWORD_FILE names no password file"
  [ -r "$SETUPVDL_SIGN_PKCS12" ] || fail "cannot read $SETUPVDL_SIGN_PKCS12"
  [ -r "$SETUPVDL_SIGN_PASSWORD_FILE" ] || fail "cannot read $SETUPVDL_SIGN_PASSWORD_FILE"
  if [ -z "${SETUPVDL_SIGN_TIMESTAMP:-}" ]; then
    case ${SETUPVDL_SIGN_TIME:-} in
      '' | *[!0-9]*) fail "SETUPVDL_SIGN_TIME is not a time in Unix seconds: '${SETUPVDL_SIGN_TIME:-}'" ;;
    esac
  fi
}

sign_file() {  # PE file, signed in place: SHA-1 first, then SHA-256 nested
  local file=$1 signed="$1.signed" digest nest=()
  # Both passes give the same -time: osslsigncode before 2.8 writes the
  # nesting pass's -time into the first signature's signed attributes, which
  # breaks it unless the time is the one it was made with. A time-stamp goes
  # on the signature of its own pass.
  for digest in sha1 sha256; do
    local args=(sign -pkcs12 "$SETUPVDL_SIGN_PKCS12" -readpass "$SETUPVDL_SIGN_PASSWORD_FILE" -h $digest "${nest[@]}"
                -n "Vandrel Lite 1.0" -i "http://www.vandrelsoft.com/")
    if [ -n "${SETUPVDL_SIGN_TIMESTAMP:-}" ]; then
      args+=(-ts "$SETUPVDL_SIGN_TIMESTAMP")
    else
      args+=(-time "$SETUPVDL_SIGN_TIME")
    fi
    rm -f "$signed"
    osslsigncode "${args[@]}" -in "$file" -out "$signed" >/dev/null ||
      { rm -f "$signed"; fail "cannot sign $file ($digest)"; }
    mv -f "$signed" "$file"
    nest=(-nest)
  done
}

if [ "${1:-}" = --file ]; then
  [ -f "${2:-}" ] || fail "--file: no file '${2:-}'"
  check_key
  sign_file "$2"
  exit 0
fi

case ${1:-i686} in
  i686) tree=signed toolchain=mingw-i686.cmake ;;
  x64) tree=signed-x64 toolchain=mingw-x86_64.cmake ;;
  *) fail "usage: sign.sh [i686|x64] | --file PE" ;;
esac
if [ -z "${SETUPVDL_SIGN_TIMESTAMP:-}" ] && [ -z "${SETUPVDL_SIGN_TIME:-}" ]; then
  SETUPVDL_SIGN_TIME=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)}
  [ -n "$SETUPVDL_SIGN_TIME" ] || fail "no SETUPVDL_SIGN_TIME, no SOURCE_DATE_EPOCH and no commit to take the signing time from"
fi
export SETUPVDL_SIGN_TIME
check_key
"$root/tools/deps.sh"
out=${BUILD_ROOT:-$root/build}/$tree
# A clean tree: a program signs as it links, so nothing may be left from a
# build with another key or time.
rm -rf "$out"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
  -DSETUPVDL_TESTS=OFF -DSETUPVDL_SIGN=ON >/dev/null
if ! log=$(cmake --build "$out" -j "${JOBS:-$(nproc)}" 2>&1); then
  printf '%s\n' "$log" | grep -v '^\[' | tail -n 20 >&2
  fail "the signed build failed"
fi
if [ -n "${SETUPVDL_SIGN_TIMESTAMP:-}" ]; then
  echo "Signed, time-stamped by $SETUPVDL_SIGN_TIMESTAMP:"
else
  echo "Signed, signing time $(date -u -d "@$SETUPVDL_SIGN_TIME" '+%Y-%m-%d %H:%M:%S UTC'):"
fi
for f in payload/plain/VDLite.dll payload/plain/VDLite.exe bin/SETUPVDL.EXE bin/VDLPUSH.EXE; do
  printf '  %s  %s bytes\n' "$out/$f" "$(stat -c %s "$out/$f")"
done
