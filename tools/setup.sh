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
          x11-apps netpbm
          # The guides' code samples, found as a Markdown reader finds them.
          cmark)
# The distribution's run-time files come through npm; a machine with Node.js
# from elsewhere has it already.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$p")
done
has_i386=$(dpkg --print-foreign-architectures | grep -cx i386 || true)
if [ ${#missing[@]} -gt 0 ] || [ "$has_i386" -eq 0 ]; then
  echo "setup: installing ${missing[*]:-(the i386 architecture)}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
fi

# The page authors' tools, from npm at pinned versions into tools/node/
# (git-ignored): the TypeScript checker for pages/, and a WebSocket client
# for the suite's DevTools test.
node_dir="$(cd "$(dirname "$0")" && pwd)/node"
node_packages=(typescript@5.9.3 ws@8.18.3)
node_installed() {
  local package name version
  for package in "${node_packages[@]}"; do
    name=${package%@*} version=${package##*@}
    grep -q "\"version\": \"$version\"" \
      "$node_dir/node_modules/$name/package.json" 2>/dev/null || return 1
  done
}
if ! node_installed; then
  echo "setup: installing ${node_packages[*]} into $node_dir"
  mkdir -p "$node_dir"
  npm install --prefix "$node_dir" --no-save --no-audit --no-fund --silent \
    "${node_packages[@]}" >/dev/null
fi
