#!/usr/bin/env bash
# kxhost on the real framework with --remote-debugging-port, and a DevTools
# client (tools/check_devtools.js, npm ws) attached to its page: the page
# list, KXHelper evaluated in the page, its console output, the loopback
# address. Run through tools/real_env.sh (the real group's CTest does).
# Usage: tools/check_devtools.sh BUILD_DIR
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-real}" && pwd)
page="$here/tests/pages/devtools/target.html"
url="file:///$(winepath -w "$page" 2>/dev/null | tr '\\' '/')"

# A port nothing listens on yet.
in_use() { grep -qi ":$(printf '%04X' "$1") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6 2>/dev/null; }
port=$((20000 + RANDOM % 20000))
while in_use $port; do port=$((port + 1)); done

out=$(mktemp)
# From the build folder: the framework writes its debug.log there.
(cd "$build" && "$here/tools/wine64_run.sh" bin/kxhost.exe --url="$url" \
   --normal-voice=n1 --normal-voice=n2 --horn-voice=h1 --timeout-ms=90000 \
   --remote-debugging-port=$port >"$out" 2>/dev/null) &
host=$!
node "$here/tools/check_devtools.js" $port "$url" 3
client=$?
wait $host
rc=$?
echo "kxhost exit code $rc; its lines:"
cat "$out"
rm -f "$out"
[ $client -eq 0 ] && [ $rc -eq 0 ]
