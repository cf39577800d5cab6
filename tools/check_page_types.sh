#!/usr/bin/env bash
# The pages' scripts against pages/kxhelper.d.ts with `tsc --strict`: the real
# pages and the suite's own page scripts must check clean, and every wrong
# call in tests/pages/wrong_calls.js must be refused with the error its line's
# comment names, and nothing else.
# Usage: tools/check_page_types.sh SOURCE_DIR
set -u
cd "${1:-.}" || exit 1
tsc=tools/node/node_modules/.bin/tsc
[ -x "$tsc" ] || { echo "page types: $tsc is missing (make setup installs it)"; exit 1; }

status=0
for project in pages tests/pages/assertions; do
  if ! out=$("$tsc" -p "$project" --pretty false 2>&1); then
    echo "page types: $project does not check clean:"
    echo "$out"
    status=1
  fi
done

fixture=tests/pages/wrong_calls.js
expected=$(grep -n '// error TS[0-9]*$' "$fixture" |
           sed -E 's/^([0-9]+):.*\/\/ error (TS[0-9]+)$/\1 \2/')
got=$("$tsc" -p tests/pages --pretty false 2>&1 |
      sed -nE 's/^tests\/pages\/wrong_calls\.js\(([0-9]+),[0-9]+\): error (TS[0-9]+):.*/\1 \2/p')
if [ "$expected" != "$got" ]; then
  echo "page types: the wrong calls were not refused as marked (< marked, > got)"
  diff <(echo "$expected") <(echo "$got")
  status=1
fi
[ $status -eq 0 ] && echo "page types: ok, $(echo "$expected" | wc -l) wrong calls refused"
exit $status
