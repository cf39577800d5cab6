#!/usr/bin/env bash
# The main job: the demo host on the options page, across real processes.
# Run through tools/test_env.sh (make demo does), which provides the display.
set -u
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
pages=$(cd "$here/pages" && pwd)
host="$build/bin/kxhost.exe"
run() { "$here/tools/wine_run.sh" "$host" "$@"; }
page_url() { echo "file:///$(winepath -w "$pages/$1" 2>/dev/null | tr '\\' '/')"; }

echo "== options page: the page changes the filters; the host gets a record and a notification;"
echo "== the browser pushes options and voice texts back to the page"
run --url="$(page_url options.html)" \
    --normal-voice="a normal voice" --normal-voice="another normal voice" \
    --horn-voice="a horn voice" --timeout-ms=15000
echo
echo "== error page: a sub-frame whose file is missing shows the built-in page"
run --url="$(page_url error.html)" --timeout-ms=8000
