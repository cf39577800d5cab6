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
          cmark
          # A host's other toolchain: the package built with clang and lld
          # for MinGW-w64, and libcef.lib (Visual C++'s import library) made
          # by LLVM's dlltool and linked by lld-link.
          clang lld llvm)
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

# The page authors' tools, from npm into tools/node/ (git-ignored), as a page
# author gets them: pages/package.json, every version pinned by
# pages/package-lock.json (TypeScript; ESLint with the Chromium 45 checks;
# the WebSocket client and source maps of the debugging loop, which the
# suite's DevTools tests use too). A stamp of the lock file says what is in.
here="$(cd "$(dirname "$0")" && pwd)"
node_dir="$here/node"
pages_dir="$here/../pages"
if ! cmp -s "$pages_dir/package-lock.json" "$node_dir/installed-lock.json"; then
  echo "setup: installing the page tools of pages/package-lock.json into $node_dir"
  mkdir -p "$node_dir"
  rm -f "$node_dir/installed-lock.json"
  cp "$pages_dir/package.json" "$pages_dir/package-lock.json" "$node_dir/"
  (cd "$node_dir" && npm ci --no-audit --no-fund --silent >/dev/null)
  cp "$pages_dir/package-lock.json" "$node_dir/installed-lock.json"
fi
