#!/usr/bin/env bash
# A visible inspector on the real framework: kxhost shows a page with
# --remote-debugging-port; `pages/tools/debug.js --inspector` gives the
# address of the engine's own inspector for it; a second kxhost shows that
# address; tools/check_page_inspector.js checks it through the second host's
# own DevTools. Run through tools/real_env.sh (the real group's CTest does).
# Usage: tools/check_page_inspector.sh BUILD_DIR
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-real}" && pwd)
export NODE_PATH="$here/tools/node/node_modules"
page="$here/tests/pages/devtools/target.html"
url="file:///$(winepath -w "$page" 2>/dev/null | tr '\\' '/')"

in_use() { grep -qi ":$(printf '%04X' "$1") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6 2>/dev/null; }
free_port() {
  local port=$((20000 + RANDOM % 20000))
  while in_use $port || [ "$port" = "${1:-}" ]; do port=$((port + 1)); done
  echo $port
}
page_port=$(free_port)
inspector_port=$(free_port "$page_port")

host() {  # PORT URL OUTPUT
  (cd "$build" && "$here/tools/wine64_run.sh" bin/kxhost.exe --url="$2" \
     --timeout-ms=150000 --remote-debugging-port="$1" >"$3" 2>/dev/null)
}
page_out=$(mktemp)
inspector_out=$(mktemp)
host $page_port "$url" "$page_out" &
page_host=$!
status=0
if inspector=$(node "$here/pages/tools/debug.js" --port $page_port --wait 60 --inspector) &&
   [[ "$inspector" == "http://127.0.0.1:$page_port/devtools/inspector.html?ws=127.0.0.1:$page_port/devtools/page/"* ]]; then
  echo "ok debug.js --inspector gives the inspector's address: $inspector"
  host $inspector_port "$inspector" "$inspector_out" &
  inspector_host=$!
  node "$here/tools/check_page_inspector.js" $page_port $inspector_port || status=1
  wait $inspector_host || { echo "FAIL the inspector's kxhost exit code $?"; status=1; }
else
  echo "FAIL debug.js --inspector gave no inspector address: $inspector"
  status=1
  kill $page_host 2>/dev/null
fi
wait $page_host || { echo "FAIL the page's kxhost exit code $?"; status=1; }
echo "the page's kxhost lines:"; cat "$page_out"
rm -f "$page_out" "$inspector_out"
exit $status
