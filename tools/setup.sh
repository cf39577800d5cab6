#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

# wine32 is the i386 half of Wine: the product is a 32-bit program.
packages=(wine wine32:i386 xvfb xauth g++-mingw-w64-i686-posix
          gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make
          duktape-dev rapidjson-dev googletest python3 chromium file fontconfig ccache
          fonts-dejavu-core fonts-wqy-microhei
          # The real-framework build (x86-64) and its run under Wine: the
          # 64-bit Wine, MinGW-w64 x86-64, gendef for libcef.dll's import
          # library, and the fonts the framework's Wine prefix maps to.
          wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-tools fonts-liberation
          # make demo-real: screenshots of the virtual display.
          x11-apps netpbm)
# The distribution's run-time files come through npm; a machine with Node.js
# from elsewhere has it already.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$p")
done
has_i386=$(dpkg --print-foreign-architectures | grep -cx i386 || true)
[ ${#missing[@]} -eq 0 ] && [ "$has_i386" -gt 0 ] && exit 0

echo "setup: installing ${missing[*]:-(the i386 architecture)}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
