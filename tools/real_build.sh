#!/usr/bin/env bash
# Builds the application on the real framework in BUILD_DIR (x86-64): from
# CEF_ROOT when it is set, else from a distribution made once into
# BUILD_DIR/cef out of ../shared/cef beside the checkout (or KX_CEF_SHARED).
# Without either it says so in one line and builds nothing.
# Usage: tools/real_build.sh BUILD_DIR JOBS
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1
jobs=${2:-2}
shared=${KX_CEF_SHARED:-$here/../shared/cef}
root=${CEF_ROOT:-}
if [ -z "$root" ]; then
  if [ ! -x "$shared/make-distribution.sh" ]; then
    echo "real framework: no distribution ($shared is absent, CEF_ROOT unset): its build and tests are skipped"
    exit 0
  fi
  root="$build/cef"
  bash "$shared/make-distribution.sh" "$root" | sed 's/^/real framework: /'
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCEF_ROOT="$(cd "$root" && pwd)" >/dev/null
fi
cmake --build "$build" -j "$jobs"
