#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(wine wine32 xvfb xauth g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
          binutils-mingw-w64-i686 cmake make duktape-dev rapidjson-dev googletest
          python3 chromium file fontconfig fonts-wqy-microhei)

missing=()
for p in "${packages[@]}"; do
  arch_pkg="$p"
  [ "$p" = wine32 ] && arch_pkg="wine32:i386"
  dpkg-query -W -f='${Status}' "$arch_pkg" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$arch_pkg")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing+=("(i386 architecture)")
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  wine wine32:i386 xvfb xauth g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix \
  binutils-mingw-w64-i686 cmake make duktape-dev rapidjson-dev googletest python3 \
  chromium file fontconfig fonts-dejavu-core fonts-wqy-microhei >/dev/null
