#!/usr/bin/env bash
# The page check (pages/tools/check.js, what a page author runs) against what
# Chromium 45 lacks: the shipped pages and the suite's page scripts check
# clean; in tests/pages/chrome45/ every line marked `// flagged: STEP...` is
# flagged by exactly those steps (types, compat, syntax) and no other line
# is, each item of the list below has its file there, and the check fails.
# Usage: tools/check_page_chrome45.sh SOURCE_DIR
set -u
cd "${1:-.}" || exit 1
export NODE_PATH="$PWD/tools/node/node_modules"
[ -d "$NODE_PATH/eslint" ] || { echo "page check: $NODE_PATH lacks eslint (make setup installs it)"; exit 1; }
root=$PWD
check() { node "$root/pages/tools/check.js" "$@"; }

status=0
if ! out=$(check pages tests/pages/assertions 2>&1); then
  echo "page check: the pages do not check clean:"
  echo "$out"
  status=1
fi

fixtures=tests/pages/chrome45
items="append nodelist_foreach urlsearchparams includes padstart listener_once
       sloppy_let destructuring async near_misses"
for item in $items; do
  [ -f "$fixtures/$item.js" ] || { echo "page check: $fixtures/$item.js is missing"; status=1; }
done

expected=$(cd "$fixtures" && grep -n '// flagged: ' *.js |
  sed -E 's/^([^:]+):([0-9]+):.*\/\/ flagged: (.*)$/\1 \2 \3/' |
  while read -r file line steps; do
    for step in $steps; do echo "$file:$line $step"; done
  done | sort)
out=$(cd "$fixtures" && check . 2>&1)
rc=$?
got=$(echo "$out" | sed -nE 's/^([^:]+\.js):([0-9]+):[0-9]+: (types|compat|syntax): .*/\1:\2 \3/p' | sort -u)
if [ "$expected" != "$got" ]; then
  echo "page check: the fixtures were not flagged as marked (< marked, > got)"
  diff <(echo "$expected") <(echo "$got")
  echo "$out"
  status=1
fi
if [ $rc -ne 1 ]; then
  echo "page check: exit status $rc on the fixtures, want 1"
  status=1
fi
[ $status -eq 0 ] && echo "page check: ok, $(echo "$expected" | wc -l) marked flags in $fixtures"
exit $status
