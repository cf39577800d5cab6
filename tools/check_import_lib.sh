#!/usr/bin/env bash
# The package's libcef.lib, libcef.dll's import library in Visual C++'s
# format: packs a real-framework build with CPack and unzips it; every export
# is a short import member of libcef.dll (the format link.exe reads, not
# MinGW's); lld-link, Visual C++'s linker in LLVM's make, links
# tests/package/capi_probe.c (built by clang for the Visual C++ target, with
# no C run-time and no Windows SDK) against it; the program imports the
# framework's functions by their plain names and nothing but libcef.dll and
# kernel32.dll. When the package holds libcef.dll (the x86-64 one), the
# program runs beside it under wine64 and finds the DLL's version, API hash
# and string conversions as the package's headers say.
# Usage: tools/check_import_lib.sh REAL_BUILD_DIR   (run under tools/real_env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check_import_lib.sh REAL_BUILD_DIR}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kxembed-importlib.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check_import_lib: $*"; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log") \
  || { cat "$work/cpack.log"; fail "cpack failed"; }
zip=$(ls "$work"/out/kxembed-*-windows-*.zip)
name=$(basename "$zip" .zip)
arch=${name##*-}
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
pkg=$work/unzipped/$name
lib=$pkg/lib/libcef.lib
[ -f "$lib" ] || fail "lib/libcef.lib missing from the package"

if [ "$arch" = x86_64 ]; then
  machine=x64 target=x86_64-pc-windows-msvc dlltool_machine=i386:x86-64
  kernel32=(GetStdHandle WriteFile ExitProcess)
else
  # 32-bit Windows functions are __stdcall: decorated with their argument
  # bytes in the object, plain in the DLL.
  machine=x86 target=i686-pc-windows-msvc dlltool_machine=i386
  kernel32=(GetStdHandle@4 WriteFile@20 ExitProcess@4)
fi

# One short import member per export, each of libcef.dll.
llvm-readobj "$lib" >"$work/members.txt" 2>/dev/null || fail "llvm-readobj cannot read libcef.lib"
imports=$(grep -c "^Format: COFF-import-file" "$work/members.txt" || true)
others=$(grep "^File: " "$work/members.txt" | grep -vc "^File: libcef.dll$" || true)
[ "$imports" -ge 150 ] || fail "libcef.lib has $imports short import members, not one per export"
grep -q "^Format: COFF-import-file" "$work/members.txt" && [ "$others" -le 3 ] \
  || fail "libcef.lib has $others members that are not imports of libcef.dll"
echo "check_import_lib: $name lib/libcef.lib, $imports imports of libcef.dll"

clang --target=$target -ffreestanding -fno-builtin -O1 -Wall -Wextra -Werror \
      -I"$pkg" -c "$here/tests/package/capi_probe.c" -o "$work/capi_probe.obj" \
  || fail "capi_probe.c does not compile against the package's headers"
printf 'LIBRARY "KERNEL32.dll"\nEXPORTS\n' >"$work/kernel32.def"
printf '%s\n' "${kernel32[@]}" >>"$work/kernel32.def"
llvm-dlltool -m $dlltool_machine -k -d "$work/kernel32.def" -l "$work/kernel32.lib"
lld-link /nologo /machine:$machine /subsystem:console /entry:ProbeMain /nodefaultlib \
         /out:"$work/capi_probe.exe" "$work/capi_probe.obj" "$lib" "$work/kernel32.lib" \
  || fail "lld-link cannot link against lib/libcef.lib"

# What the program takes from which DLL, as the loader will see it.
llvm-readobj --coff-imports "$work/capi_probe.exe" >"$work/imports.txt"
dlls=$(sed -n 's/^ *Name: //p' "$work/imports.txt" | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll libcef.dll " ] || fail "the program imports from $dlls"
from_cef=$(awk '/Name: /{dll=$2} /Symbol: /{if (dll == "libcef.dll") print $2}' \
           "$work/imports.txt" | sort | tr '\n' ' ')
expected="cef_api_hash cef_string_utf16_clear cef_string_utf16_to_utf8 cef_string_utf8_clear cef_string_utf8_to_utf16 cef_version_info "
[ "$from_cef" = "$expected" ] || fail "the program imports from libcef.dll: $from_cef"
if [ ! -f "$pkg/bin/libcef.dll" ]; then
  echo "check_import_lib: a C program links against the $arch libcef.lib (not run: no libcef.dll)"
  exit 0
fi

cp "$work/capi_probe.exe" "$pkg/bin/"
set +e
out=$(cd "$work" && "$here/tools/wine64_run.sh" "$pkg/bin/capi_probe.exe" 2>"$work/stderr.txt")
rc=$?
set -e
out=$(echo "$out" | tr -d '\r')
echo "$out"
[ "$rc" -eq 0 ] || { cat "$work/stderr.txt"; fail "exit code $rc"; }
version=$(sed -n 's/^built against the Chromium Embedded Framework //p' "$pkg/README.txt")
[ -n "$version" ] || fail "README.txt names no framework version"
for line in "version ${version//./\\.} \(Chromium [0-9.]+\): ok" "API hash [0-9a-f]{40}: ok" \
    "UTF-8 to UTF-16 and back: ok"; do
  echo "$out" | grep -qxE "$line" || fail "no line matching \"$line\""
done
echo "check_import_lib: a C program linked by lld-link against libcef.lib ran on libcef.dll"
