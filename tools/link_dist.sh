#!/usr/bin/env bash
# Makes a 32-bit distribution of the real framework to compile and link
# against, from the x86-64 one: the same public headers and wrapper sources
# (they are the same for both), and an i686 import library made from
# libcef.dll's export list (plain C functions, so the names carry over), with
# that list beside it (Release/libcef.def, which libcef.lib is made from). It
# has no libcef.dll: no 32-bit one exists on these machines, so what is built
# against it is linked, never run.
# Usage: tools/link_dist.sh X86_64_DIST OUT
set -euo pipefail
src=$(cd "${1:?usage: link_dist.sh X86_64_DIST OUT}" && pwd)
out=${2:?usage: link_dist.sh X86_64_DIST OUT}
[ -f "$out/Release/libcef.dll.a" ] && [ -f "$out/Release/libcef.def" ] &&
  [ -f "$out/LICENSE.txt" ] && [ ! -L "$out/include" ] && exit 0
mkdir -p "$out/Release"
out=$(cd "$out" && pwd)
# Copies, not links: the package installs its headers into its own include/,
# and through a link it would write into the x86-64 distribution.
for item in include libcef_dll cef_paths.gypi cef_paths2.gypi LICENSE.txt; do
  rm -rf "${out:?}/$item"
  cp -r "$src/$item" "$out/$item"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cp "$src/Release/libcef.dll" . && gendef libcef.dll >/dev/null 2>&1 &&
 i686-w64-mingw32-dlltool -d libcef.def -D libcef.dll -l "$out/Release/libcef.dll.a" &&
 cp libcef.def "$out/Release/")
