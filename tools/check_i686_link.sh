#!/usr/bin/env bash
# The product's own setting is a 32-bit host. No 32-bit libcef.dll exists on
# these machines, so the 32-bit real-framework build is checked as far as the
# link: kxsubprocess.exe and kxhost.exe against an import library made from
# the framework's export list (tools/link_dist.sh), then its package and the
# example host built from it (tools/check_package.sh), from its sources with
# clang (tools/check_package_sources.sh), and its libcef.lib
# (tools/check_import_lib.sh).
# Usage: tools/check_i686_link.sh X86_64_DIST WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:?usage: check_i686_link.sh X86_64_DIST WORK_DIR}
work=${2:?usage: check_i686_link.sh X86_64_DIST WORK_DIR}
mkdir -p "$work"
work=$(cd "$work" && pwd)
"$here/tools/link_dist.sh" "$dist" "$work/cef"
if [ ! -f "$work/build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCEF_ROOT="$work/cef" >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; exit 1; }
fi
cmake --build "$work/build" -j 2 --target kxsubprocess kxhost kx_libcef_lib >"$work/build.log" 2>&1 \
  || { tail -40 "$work/build.log"; exit 1; }
for exe in kxsubprocess kxhost; do
  file "$work/build/bin/$exe.exe" | grep -q "PE32 executable.*Intel 80386" \
    || { file "$work/build/bin/$exe.exe"; echo "check_i686_link: $exe.exe is not 32-bit"; exit 1; }
done
echo "check_i686_link: kxsubprocess.exe and kxhost.exe link for 32-bit Windows"
"$here/tools/check_package.sh" "$work/build"
# A clang host of the 32-bit package, from its sources; libcef.lib linked.
"$here/tools/check_package_sources.sh" "$work/build" clang
"$here/tools/check_import_lib.sh" "$work/build"
