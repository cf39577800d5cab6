#!/usr/bin/env bash
# The package as a host developer gets it: packs a real-framework build with
# CPack, unzips it outside the source and build trees, checks that every path
# its README.txt, its guides and its example name is in it, checks its pages'
# scripts against its types, builds examples/minimal_host from the zip alone
# and, when the package holds the framework's run-time files (the x86-64
# one), runs it under wine64 in a fresh prefix made by the package's own
# wine/setup-prefix.sh: on a page that changes its options and closes itself,
# on the package's sample page, then once without kxsubprocess.exe beside it.
# A package without them (the 32-bit one, made to link against:
# tools/link_dist.sh) is checked as far as the link.
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

runs=""
if [ -f "$pkg/bin/libcef.dll" ]; then
  runs=yes
  for f in bin/icudtl.dat bin/cef.pak bin/natives_blob.bin bin/locales/en-US.pak; do
    [ -f "$pkg/$f" ] || fail "$f missing beside libcef.dll"
  done
fi
# What the package's texts name is what a host developer looks for.
[ -f "$pkg/README.txt" ] || fail "README.txt missing from the package"
link_only=()
[ -z "$runs" ] && link_only=(--link-only)
python3 "$here/tools/check_package_names.py" "$pkg" "${link_only[@]}" \
  || fail "the package lacks what its texts name"
# The page scripts it ships check clean against its types, as its README
# says, with nothing from the source tree.
tsc=$here/tools/node/node_modules/.bin/tsc
[ -x "$tsc" ] || fail "$tsc is missing (make setup installs it)"
(cd "$pkg" && "$tsc" -p pages --pretty false) || fail "the package's pages do not check clean"
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

# Text in the Windows core faces and form controls, laid out before the page
# changes its options: in a prefix without those faces mapped, the render
# process crashes there and no record comes.
cat >"$work/page.html" <<'HTML'
<p>The default face</p>
<p style="font-family: Arial">Arial</p>
<p style="font-family: 'Times New Roman'">Times New Roman</p>
<p style="font-family: 'Courier New'">Courier New</p>
<p style="font-family: Tahoma">Tahoma</p>
<p style="font-family: 'MS Shell Dlg'">MS Shell Dlg</p>
<button>A button</button> <select><option>A choice</option></select> <input value="A field">
<script>
console.log('laid out ' + (document.body.offsetHeight > 0));
KXHelper.SetUserOptions('[{"uic_type":3,"filter_id":42,"is_filter":true}]');
addEventListener('kxhelperchange', function(e) {
  if (e.detail.change === 'options') {
    console.log('options ' + KXHelper.GetUserOptions());
    window.close();
  }
});
</script>
HTML

# A fresh prefix, made as README.txt says, by the package's script alone; the
# host then runs as the script says, with none of the suite's Wine settings
# (tools/real_env.sh's prefix, its DLL overrides) in its environment.
prefix=$work/prefix
trap 'WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
sh "$pkg/wine/setup-prefix.sh" "$prefix" >"$work/prefix.log" 2>&1 \
  || { cat "$work/prefix.log"; fail "wine/setup-prefix.sh failed"; }
advice=$(sed -n 's/^  WINEPREFIX=\([^ ]*\) WINEDEBUG=-all \([^ ]*\) my_host\.exe .*/\1 \2/p' \
         "$work/prefix.log")
read -r advised_prefix loader <<<"$advice"
[ "$advised_prefix" = "$prefix" ] && [ -x "$loader" ] \
  || { cat "$work/prefix.log"; fail "wine/setup-prefix.sh says no way to run a host"; }
# One server for the runs, and Wine's background services started now,
# detached from the output: started by a run, they would hold its output
# open after it ends.
WINEPREFIX="$prefix" wineserver -p >/dev/null 2>&1
WINEPREFIX="$prefix" "$loader" cmd.exe /c exit </dev/null >/dev/null 2>&1
# Pages are file:///Z:/ URLs: Wine shows the Linux root as drive Z:. The
# host's working folder is the build folder: the framework writes its
# debug.log there when the host names no log file.
url="file:///Z:$work/page.html"
# With $limit set, a run that outlasts it is ended (exit code 124).
run() {
  (cd "$work" && ${limit:+timeout "$limit"} env -u WINEDLLOVERRIDES -u WINEARCH \
     WINEPREFIX="$prefix" WINEDEBUG=-all "$loader" "$@")
}
# Runs the host on a page; its output, one line per event, in $out.
run_host() {
  set +e
  out=$(run "$work/host-build/minimal_host.exe" "$@" 2>"$work/stderr.txt")
  rc=$?
  set -e
  out=$(echo "$out" | tr -d '\r')
  echo "$out"
  [ "$rc" -eq 0 ] || { cat "$work/stderr.txt"; fail "exit code $rc on $1"; }
}
run_host "$url"
for line in "console: laid out true" "record count=1 first_filter=42" "notify" \
    'console: options [{"filter_id":42,"is_filter":true,"uic_type":3}]' "done"; do
  echo "$out" | grep -qxF "$line" || fail "no line \"$line\""
done

# The sample page as shipped: its scripts beside it are all it needs to
# change the options and hear them back.
run_host "file:///Z:$pkg/pages/options.html"
for pattern in "^record count=[1-9]" "^notify$" "^console: " "^done$"; do
  echo "$out" | grep -q "$pattern" || fail "the sample page gave no line $pattern"
done

# A page in each browser. The avatar's render process asks for the voice
# texts too; they go to the main page's, which must hold the host's two
# once. The avatar page changes the options from a query's answer, after
# its render process has asked: the main page hears that change after
# anything the ask sent it, or reads it at load if the avatar was quicker.
cat >"$work/main.html" <<'HTML'
<script>
var synced = 0, changed = false;
function report() {
  // The texts may have come before this page, when the avatar asked first:
  // then there is no synced event, and IsSynced() says so.
  if (KXHelper.IsSynced() && changed) {
    console.log('main ' + KXHelper.GetFilteredNum() +
                (synced > 1 ? ' synced twice' : ''));
    window.close();
  }
}
addEventListener('kxhelperchange', function(e) {
  if (e.detail.change === 'synced') synced++;
  if (e.detail.change === 'options' && KXHelper.GetUserOptions().indexOf('77') >= 0)
    changed = true;
  report();
});
// The avatar may have changed the options before this page loaded.
changed = KXHelper.GetUserOptions().indexOf('77') >= 0;
report();
</script>
HTML
cat >"$work/avatar.html" <<'HTML'
<script>
window.cefQuery({request: 'TestOnly', onSuccess: function() {},
                 onFailure: function() {
                   console.log('avatar asked');
                   KXHelper.SetUserOptions('[{"filter_id":77}]');
                 }});
</script>
HTML
run_host "file:///Z:$work/main.html" "file:///Z:$work/avatar.html"
for line in "avatar console: avatar asked" "console: main 2" "done"; do
  echo "$out" | grep -qxF "$line" || fail "no line \"$line\" with an avatar page"
done

# Without kxsubprocess.exe beside it, the host hears so and fails at once,
# whether or not its browsers exist yet (a host that waited for them would
# never end: the time limit is the first reason given, not this one).
cp -r "$work/host-build" "$work/lonely"
rm "$work/lonely/kxsubprocess.exe"
set +e
started=$(date +%s)
limit=60 run "$work/lonely/minimal_host.exe" "$url" >"$work/lonely.out" 2>"$work/lonely.err"
rc=$?
set -e
echo "check_package: the host without kxsubprocess.exe ended in $(( $(date +%s) - started )) s"
[ "$rc" -eq 69 ] || { cat "$work/lonely.err"; fail "lonely host exit code $rc, not 69"; }
[ "$(grep -c '^error: ' "$work/lonely.err")" -eq 1 ] \
  || { cat "$work/lonely.err"; fail "not one error line"; }
grep -q "^error: the render process program cannot start" "$work/lonely.err" \
  || { cat "$work/lonely.err"; fail "no error line"; }
echo "check_package: the example host built from the $arch package ran on the real framework"
