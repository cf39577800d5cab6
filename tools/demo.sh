#!/usr/bin/env bash
# The main job: the demo host on the options page, across real processes.
# Run through tools/test_env.sh (make demo does) or tools/real_env.sh (make
# demo-real), which provide the display.
# Usage: tools/demo.sh BUILD_DIR [--screenshots]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
pages=$(cd "$here/pages" && pwd)
host="$build/bin/kxhost.exe"
runner="$here/tools/wine_run.sh"
[ -f "$build/bin/libcef.dll" ] && runner="$here/tools/wine64_run.sh"
# From the build folder: the real framework writes its debug.log into the
# working folder when the host names no log file. Its log lines on standard
# error (under Wine, mostly about the GPU it cannot use) go to
# demo-framework.log there; the host's own lines stay on the screen.
framework_log="$build/demo-framework.log"
: >"$framework_log"
run() {
  (cd "$build" &&
   { "$runner" "$host" "$@" 2>&1 1>&3 | tee -a "$framework_log" |
       grep -v '^\[[0-9]*/[0-9]*:[A-Z]*:' >&2; } 3>&1)
}
file_url() { echo "file:///$(winepath -w "$1" 2>/dev/null | tr '\\' '/')"; }
page_url() { file_url "$pages/$1"; }

echo "== options page: the page changes the filters; the host gets a record and a notification;"
echo "== the browser pushes options and voice texts back to the page"
# The host's voice texts and the user's two saved filters, as a host seeds
# them before the framework starts.
voices=(--normal-voice="a normal voice" --normal-voice="another normal voice"
        --horn-voice="a horn voice"
        --options='[{"uic_type":1,"filter_id":3,"is_filter":true},{"uic_type":2,"filter_id":5,"is_filter":false}]')
run --url="$(page_url options.html)" "${voices[@]}" --timeout-ms=15000
echo
echo "== error page: a sub-frame whose file is missing shows the built-in page"
run --url="$(page_url error.html)" --timeout-ms=8000

echo
echo "(the framework's own log lines are in $framework_log)"
[ "${2:-}" = "--screenshots" ] || exit 0
# The main page window (at the display's top left, the bounds' size) as the
# framework paints it: a copy of the page that stays open, shown, captured once
# the host has seen MARKER (or after a while); the time limit ends the run.
# The page's scripts go beside the copy.
shoot() {
  local page=$1 marker=$2 png=$3 copy out
  copy="$build/screenshots/$page"
  out="$build/screenshots/${page%.html}.out"
  mkdir -p "$build/screenshots"
  local file
  for file in "$pages/$page" "$pages"/*.js; do
    sed 's/window\.close();//' "$file" >"$build/screenshots/$(basename "$file")"
  done
  : >"$out"
  run --url="$(file_url "$copy")" "${voices[@]}" --show --timeout-ms=12000 \
    >"$out" 2>/dev/null &
  local pid=$!
  for _ in $(seq 80); do
    grep -q "^$marker" "$out" && break
    sleep 0.1
  done
  sleep 1.5
  xwd -root -silent | xwdtopnm 2>/dev/null | pamcut -left 0 -top 0 -width 800 -height 600 |
    pnmquant 64 2>/dev/null | pnmtopng -compression 9 >"$png"
  wait $pid
  echo "$png"
}
echo
echo "== screenshots"
shoot options.html notify "$build/options-page.png"
shoot error.html error-page "$build/error-page.png"
