#!/usr/bin/env bash
# Installs the Debian 12 packages that the build and the tests need, when missing.
set -eu
pkgs="cmake ninja-build g++ clang clang-tidy libclang-rt-14-dev googletest
 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
 wine64 wine32:i386 fonts-wine fonts-liberation xvfb xauth mscompress imagemagick x11-utils nsis
 osslsigncode openssl locales"
missing=
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=
[ "$(id -u)" = 0 ] || sudo=sudo
# Wine's 32-bit loader, which runs the shipping i686 build, is an i386 package.
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
