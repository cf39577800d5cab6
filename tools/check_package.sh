#!/usr/bin/env bash
# The package as a host developer gets it: packs a real-framework build with
# CPack, unzips it outside the source and build trees, builds
# examples/minimal_host from the zip alone and, when the package holds the
# framework's run-time files (the x86-64 one), runs it under wine64 on a page
# that changes its options and closes itself, then once without
# kxsubprocess.exe beside it. A package without them (the 32-bit one, made
# to link against: tools/link_dist.sh) is checked as far as the link.
# Usage: tools/check_package.sh REAL_BUILD_DIR   (run under tools/real_env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kxembed-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*"; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log") \
  || { cat "$work/cpack.log"; fail "cpack failed"; }
zip=$(ls "$work"/out/kxembed-*-windows-*.zip)
name=$(basename "$zip" .zip)
arch=${name##*-}
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
pkg=$work/unzipped/$name
echo "check_package: $name.zip, $(du -k "$zip" | cut -f1) KiB"

for f in bin/kxsubprocess.exe bin/kxhost.exe lib/libkx_system.a lib/libcef.dll.a \
         lib/liblibcef_dll_wrapper.a lib/cmake/kxembed/kxembedConfig.cmake \
         lib/cmake/kxembed/kxembedConfigVersion.cmake include/cef_app.h \
         include/app/simple_app.h include/store/option_store.h \
         "cmake/mingw-$arch.cmake" examples/minimal_host/main.cc README.txt; do
  [ -f "$pkg/$f" ] || fail "$f missing from the package"
done
runs=""
if [ -f "$pkg/bin/libcef.dll" ]; then
  runs=yes
  for f in bin/icudtl.dat bin/cef.pak bin/natives_blob.bin bin/locales/en-US.pak; do
    [ -f "$pkg/$f" ] || fail "$f missing beside libcef.dll"
  done
fi
# The stand-in is the suite's test double: not one of its files is shipped.
while IFS= read -r -d '' f; do
  twin=$(find "$here/framework" -name "$(basename "$f")" -type f -print -quit)
  [ -n "$twin" ] && cmp -s "$f" "$twin" && fail "${f#$pkg/} is the stand-in's $twin"
done < <(find "$pkg" -type f -print0)
grep -q "built against the Chromium Embedded Framework 3\." "$pkg/README.txt" \
  || fail "README.txt does not name the framework version"

# A host configured for the other architecture is told so by the config.
other=i686; [ "$arch" = i686 ] && other=x86_64
cp -r "$pkg/examples/minimal_host" "$work/host-src"
if cmake -S "$work/host-src" -B "$work/wrong-arch" \
     -DCMAKE_TOOLCHAIN_FILE="$here/cmake/package/mingw-$other.cmake" \
     -DCMAKE_PREFIX_PATH="$pkg" >"$work/wrong-arch.log" 2>&1; then
  fail "a $other host configured against the $arch package"
fi
grep -q "built for $arch" "$work/wrong-arch.log" \
  || { cat "$work/wrong-arch.log"; fail "no clear message for the other architecture"; }

cmake -S "$work/host-src" -B "$work/host-build" \
      -DCMAKE_TOOLCHAIN_FILE="$pkg/cmake/mingw-$arch.cmake" \
      -DCMAKE_PREFIX_PATH="$pkg" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 \
  || { cat "$work/configure.log"; fail "the example does not configure"; }
cmake --build "$work/host-build" -j 2 >"$work/build.log" 2>&1 \
  || { cat "$work/build.log"; fail "the example does not build"; }
if grep -rqs -e "$here" -e "$build" "$work/host-build"; then
  grep -rls -e "$here" -e "$build" "$work/host-build" | head -5
  fail "the example's build refers to the source tree"
fi
[ -f "$work/host-build/kxsubprocess.exe" ] || fail "kxsubprocess.exe not copied beside the host"
if [ -z "$runs" ]; then
  echo "check_package: the example host built and linked from the $arch package (not run: no libcef.dll)"
  exit 0
fi
for f in libcef.dll icudtl.dat locales/en-US.pak; do
  [ -f "$work/host-build/$f" ] || fail "$f not copied beside the host"
done

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
url="file:///$(winepath -w "$work/page.html" 2>/dev/null | tr '\\' '/')"
# The host's working folder is the build folder: the framework writes its
# debug.log there when the host names no log file.
run() { (cd "$work" && "$here/tools/wine64_run.sh" "$@"); }
set +e
out=$(run "$work/host-build/minimal_host.exe" "$url" 2>"$work/stderr.txt")
rc=$?
set -e
echo "$out"
[ "$rc" -eq 0 ] || { cat "$work/stderr.txt"; fail "exit code $rc"; }
for line in "record count=1 first_filter=42" "notify" \
    'console: options [{"filter_id":42,"is_filter":true,"uic_type":3}]' "done"; do
  echo "$out" | tr -d '\r' | grep -qxF "$line" || fail "no line \"$line\""
done

# Without kxsubprocess.exe beside it, the host hears so and fails at once.
cp -r "$work/host-build" "$work/lonely"
rm "$work/lonely/kxsubprocess.exe"
set +e
run "$work/lonely/minimal_host.exe" "$url" >"$work/lonely.out" 2>"$work/lonely.err"
rc=$?
set -e
[ "$rc" -eq 1 ] || { cat "$work/lonely.err"; fail "lonely host exit code $rc"; }
[ "$(grep -c '^error: ' "$work/lonely.err")" -eq 1 ] \
  || { cat "$work/lonely.err"; fail "not one error line"; }
grep -q "^error: the render process program cannot start" "$work/lonely.err" \
  || { cat "$work/lonely.err"; fail "no error line"; }
echo "check_package: the example host built from the $arch package ran on the real framework"
