#!/usr/bin/env bash
# Builds the package from a built tree, then builds the example host from the
# package alone (its own copy of the sources, headers, libraries and
# toolchain file: nothing from the source tree) and runs it under Wine on a
# page that changes its options and closes itself.
# Usage: tools/check_package.sh BUILD_DIR   (run under tools/test_env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
# Outside the source and build trees, so that nothing can be found there.
work=$(mktemp -d "${TMPDIR:-/tmp}/kxembed-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$here/tools/package.sh" "$build" "$work" >/dev/null
pkg=$work/kxembed
# Unzipped into a folder of its own: the zip is what a host developer gets.
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$work/kxembed.zip")
pkg=$work/unzipped/kxembed
for f in bin/kxsubprocess.exe bin/kxhost.exe lib/libkx_system.a \
         lib/cmake/kxembed/kxembedConfig.cmake include/cef_app.h \
         include/app/simple_app.h examples/minimal_host/main.cc; do
  [ -f "$pkg/$f" ] || { echo "check_package: $f missing from the package"; exit 1; }
done

cp -r "$pkg/examples/minimal_host" "$work/host-src"
cmake -S "$work/host-src" -B "$work/host-build" \
      -DCMAKE_TOOLCHAIN_FILE="$pkg/cmake/mingw-i686.cmake" \
      -DCMAKE_PREFIX_PATH="$pkg" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" \
  || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/host-build" -j 2 >"$work/build.log" 2>&1 \
  || { cat "$work/build.log"; exit 1; }
if grep -rqs -e "$here" -e "$build" "$work/host-build"; then
  echo "check_package: the example's build refers to the source tree"; exit 1
fi

cat >"$work/page.html" <<'HTML'
<script>
KXHelper.SetUserOptions('[{"uic_type":3,"filter_id":42,"is_filter":true}]');
addEventListener('kxhelperchange', function(e) {
  if (e.detail.change === 'options') window.close();
});
</script>
HTML
url="file:///$(winepath -w "$work/page.html" 2>/dev/null | tr '\\' '/')"
set +e
out=$("$here/tools/wine_run.sh" "$work/host-build/minimal_host.exe" "$url" 2>"$work/stderr.txt")
rc=$?
set -e
echo "$out"
cat "$work/stderr.txt" >&2
[ "$rc" -eq 0 ] || { echo "check_package: exit code $rc"; exit 1; }
for line in "record count=1 first_filter=42" "notify" "done"; do
  echo "$out" | tr -d '\r' | grep -qx "$line" \
    || { echo "check_package: no line \"$line\""; exit 1; }
done
# Without kxsubprocess.exe beside it, the host hears so and fails at once.
mkdir "$work/lonely"
cp "$work/host-build/minimal_host.exe" "$work/lonely/"
set +e
"$here/tools/wine_run.sh" "$work/lonely/minimal_host.exe" "$url" \
  >"$work/lonely.out" 2>"$work/lonely.err"
rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "check_package: lonely host exit code $rc"; cat "$work/lonely.err"; exit 1; }
grep -q "^error: the render process program cannot start" "$work/lonely.err" \
  || { echo "check_package: no error line"; cat "$work/lonely.err"; exit 1; }
grep -q "kxsubprocess.exe\": Win32 error 2, " "$work/lonely.err" \
  || { echo "check_package: no log line"; cat "$work/lonely.err"; exit 1; }
echo "check_package: the example host built from the package ran"
