#!/usr/bin/env bash
# The page debugging loop: a TypeScript page set up as the page guide says
# (page.ts, kxhelper.d.ts, pages/tsconfig.ts.json) and built with tsc, with
# pages/tools/debug.js attached to it by tools/check_page_debug.js. On the
# real framework (run through tools/real_env.sh, as the real group's CTest
# does) kxhost shows it with --remote-debugging-port; with --chromium a
# headless Chromium shows it against the emulation (kxhelper-dev.js), as a
# page author develops in a plain browser.
# Usage: tools/check_page_debug.sh BUILD_DIR [--chromium]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-real}" && pwd)
export NODE_PATH="$here/tools/node/node_modules"
page=$(mktemp -d "$build/page-debug.XXXXXX")
trap 'rm -rf "$page"' EXIT
cp "$here/tests/pages/debug/page.html" "$here/tests/pages/debug/page.ts" \
   "$here/pages/kxhelper.d.ts" "$here/pages/kxhelper-dev.js" "$page/"
cp "$here/pages/tsconfig.ts.json" "$page/tsconfig.json"
node "$NODE_PATH/typescript/bin/tsc" -p "$page" || { echo "FAIL the page does not build"; exit 1; }

in_use() { grep -qi ":$(printf '%04X' "$1") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6 2>/dev/null; }
port=$((20000 + RANDOM % 20000))
while in_use $port; do port=$((port + 1)); done

if [ "${2:-}" = "--chromium" ]; then
  profile=$(mktemp -d)
  chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" \
    --remote-debugging-port=$port "file://$page/page.html" >/dev/null 2>&1 &
  browser=$!
  node "$here/tools/check_page_debug.js" $port "$page" --chromium
  client=$?
  kill $browser
  wait $browser
  rm -rf "$profile"
  exit $client
fi

url="file:///$(winepath -w "$page/page.html" 2>/dev/null | tr '\\' '/')"
out=$(mktemp)
(cd "$build" && "$here/tools/wine64_run.sh" bin/kxhost.exe --url="$url" \
   --normal-voice=n1 --normal-voice=n2 --horn-voice=h1 --timeout-ms=180000 \
   --remote-debugging-port=$port >"$out" 2>/dev/null) &
host=$!
node "$here/tools/check_page_debug.js" $port "$page"
client=$?
wait $host
rc=$?
echo "kxhost exit code $rc; its lines:"
cat "$out"
rm -f "$out"
[ $client -eq 0 ] && [ $rc -eq 0 ]
