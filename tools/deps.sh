#!/usr/bin/env bash
# Installs the Debian 12 packages that the build and the tests need, when missing.
#   tools/deps.sh        everything that tools/check.sh, tools/sign.sh and the benchmark use
#   tools/deps.sh demo   only what tools/demo.sh uses: the i686 build of
#                        SETUPVDL.EXE and its wizard test, Wine, Xvfb, ImageMagick
set -eu
demo_pkgs="cmake ninja-build googletest g++-mingw-w64-i686-posix binutils-mingw-w64-i686
 wine64 wine32:i386 fonts-wine fonts-liberation xvfb xauth mscompress imagemagick"
pkgs="$demo_pkgs g++ clang clang-tidy libclang-rt-14-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
 x11-utils nsis osslsigncode openssl libssl-dev locales libxml2-utils"
[ "${1:-}" = demo ] && pkgs=$demo_pkgs
missing=
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  sudo=
  [ "$(id -u)" = 0 ] || sudo=sudo
  # Wine's 32-bit loader, which runs the shipping i686 build, is an i386 package.
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi

# A kernel that refuses 32-bit code cannot start Wine's 32-bit loader; the
# harness (tests/harness/wine-env.sh) then runs it through qemu-i386. Debian
# 12's qemu 7.2 cannot run that loader, the qemu-user package of
# bookworm-backports (a static qemu-i386) can: it is unpacked into a cache
# folder, from the mirror this machine already uses, through a private apt
# list folder. Nothing is installed and the machine's sources stay as they
# are.
SETUPVDL_WINE_BITS=32
. "$(cd "$(dirname "$0")/.." && pwd)/tests/harness/wine-env.sh"
[ "$SETUPVDL_WINE_EMULATED" = 0 ] && exit 0
qemu_usable && exit 0
echo "Unpacking qemu-i386 (bookworm-backports) into $qemu_dir for Wine's 32-bit loader"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The first archive that the machine's own sources name (not the security
# archive), with its keyring.
archive= keyring=
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  archive=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  keyring=$(awk '/^Signed-By:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$archive" ] && [ -f /etc/apt/sources.list ]; then
  archive=$(awk '$1 == "deb" && $0 !~ /security/ {for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) {print $i; exit}}' /etc/apt/sources.list)
fi
[ -n "$archive" ] || { echo "deps: no Debian archive found in this machine's apt sources for qemu-user" >&2; exit 1; }
echo "deb ${keyring:+[signed-by=$keyring] }$archive bookworm-backports main" >"$work/sources.list"
mkdir -p "$work/lists/partial" "$work/archives/partial" "$work/cache"
apt_private() {
  apt-get -qq -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o Dir::Cache::Archives="$work/archives" \
    -o APT::Architectures="$(dpkg --print-architecture)" -o Acquire::Languages=none \
    -o APT::Sandbox::User="$(id -un)" "$@"
}
apt_private update || { echo "deps: cannot read bookworm-backports from $archive" >&2; exit 1; }
(cd "$work" && apt_private download qemu-user/bookworm-backports) || { echo "deps: cannot download qemu-user from bookworm-backports" >&2; exit 1; }
dpkg-deb -x "$work"/qemu-user_*.deb "$work/root" || exit 1
mkdir -p "$qemu_dir"
cp "$work/root/usr/bin/qemu-i386" "$qemu_bin.new" && mv "$qemu_bin.new" "$qemu_bin" || exit 1
qemu_usable || { echo "deps: $qemu_bin from bookworm-backports is missing or older than 8.1" >&2; exit 1; }
