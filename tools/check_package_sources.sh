#!/usr/bin/env bash
# A host built with a toolchain of its own, from the package's sources alone:
# packs a real-framework build with CPack, unzips it, takes its prebuilt
# component and wrapper libraries away, and builds examples/minimal_host with
# TOOLCHAIN at -Wall -Wextra, which must give no warning (the framework's
# wrapper is the framework's own code, built without its warnings):
#   gcc    MinGW-w64 GCC, asked with -DKXEMBED_FROM_SOURCE=ON; before that,
#          find_package must take the prebuilt libraries while they are
#          there, and the sources once they are gone;
#   clang  the package's clang toolchain, which the prebuilt libraries do not
#          fit; also -Wgnu (no GCC extension) and -Wshorten-64-to-32 (what
#          Visual C++ warns about at its default level, C4267).
# find_package must say in one line which way it took. When the package holds
# libcef.dll (the x86-64 one) the host runs under wine64 on a page that
# changes its options: the record, the notification and the options pushed
# back to the page must come. Without it (the 32-bit package) the check ends
# at the link.
# Usage: tools/check_package_sources.sh REAL_BUILD_DIR gcc|clang
#        (run under tools/real_env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check_package_sources.sh REAL_BUILD_DIR gcc|clang}" && pwd)
toolchain=${2:?usage: check_package_sources.sh REAL_BUILD_DIR gcc|clang}
case $toolchain in gcc|clang) ;; *) echo "check_package_sources: no toolchain $toolchain"; exit 2;; esac
fail() { echo "check_package_sources ($toolchain): $*"; exit 1; }
# A folder of the build's own, the same on every run: the compiler cache then
# knows the package's sources from the last run.
work=$build/package-sources-$toolchain
rm -rf "$work"
mkdir -p "$work"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log") \
  || { cat "$work/cpack.log"; fail "cpack failed"; }
zip=$(ls "$work"/out/kxembed-*-windows-*.zip)
name=$(basename "$zip" .zip)
arch=${name##*-}
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
pkg=$work/unzipped/$name
# Sources beside the binaries, and still a download of under 50 MB.
size=$(stat -c %s "$zip")
[ "$size" -lt 50000000 ] || fail "$name.zip is $size bytes, 50 MB or more"
prebuilt=(lib/libkx_system.a lib/libkx_common.a lib/liblibcef_dll_wrapper.a)
for f in "${prebuilt[@]}" lib/cmake/kxembed/kxembedSources.cmake LICENSE-cef.txt \
         src/app/simple_app.cc src/common/option_block.cc src/store/option_store.cc \
         libcef_dll/ctocpp/browser_ctocpp.cc libcef_dll/cpptoc/app_cpptoc.cc \
         libcef_dll/wrapper/cef_message_router.cc "cmake/clang-$arch.cmake"; do
  [ -f "$pkg/$f" ] || fail "$f missing from the package"
done
cp -r "$pkg/examples/minimal_host" "$work/host-src"

toolchain_file=$pkg/cmake/mingw-$arch.cmake
flags="-Wall -Wextra"
if [ "$toolchain" = clang ]; then
  toolchain_file=$pkg/cmake/clang-$arch.cmake
  flags="$flags -Wgnu -Wshorten-64-to-32"
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Configures the example into $work/$1 with the remaining arguments; its
# "kxembed:" lines in $said.
configure() {
  local dir=$1
  shift
  cmake -S "$work/host-src" -B "$work/$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" \
        -DCMAKE_PREFIX_PATH="$pkg" -DCMAKE_BUILD_TYPE=Release "$@" >"$work/$dir.log" 2>&1 \
    || { cat "$work/$dir.log"; fail "the example does not configure ($dir)"; }
  said=$(grep "kxembed:" "$work/$dir.log" || true)
  [ "$(echo "$said" | grep -c .)" -eq 1 ] \
    || { cat "$work/$dir.log"; fail "not one kxembed: line ($dir)"; }
  echo "check_package_sources ($toolchain, $dir): ${said#-- }"
}
sources_line="kxembed: the component and the framework's wrapper from the package's sources, built with"

if [ "$toolchain" = gcc ]; then
  configure with-prebuilt
  echo "$said" | grep -q "kxembed: the prebuilt libraries of lib/ (MinGW-w64 GCC " \
    || fail "GCC did not take the prebuilt libraries"
fi
for f in "${prebuilt[@]}"; do rm "$pkg/$f"; done
if [ "$toolchain" = gcc ]; then
  configure without-prebuilt
  echo "$said" | grep -qF "$sources_line GNU " && echo "$said" | grep -qF "(lib/libkx_system.a is not in the package)" \
    || fail "without the prebuilt libraries GCC did not take the sources"
  configure host-build "${launcher[@]}" -DKXEMBED_FROM_SOURCE=ON "-DCMAKE_CXX_FLAGS=$flags"
  echo "$said" | grep -qF "$sources_line GNU " && echo "$said" | grep -qF "(KXEMBED_FROM_SOURCE is ON)" \
    || fail "KXEMBED_FROM_SOURCE=ON did not take the sources"
else
  configure host-build "${launcher[@]}" "-DCMAKE_CXX_FLAGS=$flags"
  echo "$said" | grep -qF "$sources_line Clang " \
    && echo "$said" | grep -qF "(the prebuilt libraries are MinGW-w64 GCC " \
    || fail "clang did not take the sources"
fi

started=$(date +%s)
cmake --build "$work/host-build" -j 2 >"$work/build.log" 2>&1 \
  || { cat "$work/build.log"; fail "the example does not build"; }
echo "check_package_sources ($toolchain): built in $(( $(date +%s) - started )) s"
if grep -q "warning:" "$work/build.log"; then
  grep -A3 "warning:" "$work/build.log" | head -60
  fail "warnings at $flags"
fi
for lib in libkxembed_kx_system.a libkxembed_kx_common.a libkxembed_libcef_dll_wrapper.a; do
  [ -f "$work/host-build/$lib" ] || fail "$lib was not built by the example's build"
done
# Everything from the package: neither the checkout's sources nor the
# distribution the package was made from.
cef_root=$(sed -n 's/^CEF_ROOT:PATH=//p' "$build/CMakeCache.txt")
for tree in "$here/app/" "$here/browser/" "$here/common/" "$here/renderer/" \
            "$here/store/" "$cef_root/"; do
  if grep -rqsF "$tree" "$work/host-build"; then
    grep -rlsF "$tree" "$work/host-build" | head -5
    fail "the example's build refers to $tree"
  fi
done
[ -f "$work/host-build/kxsubprocess.exe" ] || fail "kxsubprocess.exe not copied beside the host"
if [ ! -f "$pkg/bin/libcef.dll" ]; then
  echo "check_package_sources ($toolchain): the example host built from the $arch package's sources and linked (not run: no libcef.dll)"
  exit 0
fi

cat >"$work/page.html" <<'HTML'
<script>
KXHelper.SetUserOptions('[{"uic_type":3,"filter_id":42,"is_filter":true}]');
addEventListener('kxhelperchange', function(e) {
  if (e.detail.change === 'options') {
    console.log('options ' + KXHelper.GetUserOptions());
    window.close();
  }
});
</script>
HTML
set +e
out=$(cd "$work" && "$here/tools/wine64_run.sh" "$work/host-build/minimal_host.exe" \
        "file:///Z:$work/page.html" 2>"$work/stderr.txt")
rc=$?
set -e
out=$(echo "$out" | tr -d '\r')
echo "$out"
[ "$rc" -eq 0 ] || { cat "$work/stderr.txt"; fail "exit code $rc"; }
for line in "record count=1 first_filter=42" "notify" \
    'console: options [{"filter_id":42,"is_filter":true,"uic_type":3}]' "done"; do
  echo "$out" | grep -qxF "$line" || fail "no line \"$line\""
done
echo "check_package_sources ($toolchain): the example host built from the $arch package's sources ran on the real framework"
