#!/usr/bin/env bash
# The pages' scripts against pages/kxhelper.d.ts with `tsc --strict`: the real
# pages and the suite's own page scripts must check clean; the calls of
# tests/pages/right_calls.js must be taken and every wrong call in
# tests/pages/wrong_calls.js refused with the error its line's comment names,
# and nothing else; a TypeScript page set up as the page guide says (its
# .ts, kxhelper.d.ts, and pages/tsconfig.ts.json as tsconfig.json) compiles
# to a script with its source map, and a page with an error writes nothing.
# Usage: tools/check_page_types.sh SOURCE_DIR
set -u
cd "${1:-.}" || exit 1
tsc=$PWD/tools/node/node_modules/.bin/tsc
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
           sed -E "s|^([0-9]+):.*// error (TS[0-9]+)\$|$fixture \1 \2|")
out=$("$tsc" -p tests/pages --pretty false 2>&1)
got=$(echo "$out" | sed -nE 's/^([^(]+)\(([0-9]+),[0-9]+\): error (TS[0-9]+):.*/\1 \2 \3/p')
if [ "$expected" != "$got" ]; then
  echo "page types: the calls were not taken and refused as marked (< marked, > got)"
  diff <(echo "$expected") <(echo "$got")
  status=1
fi

page=$(mktemp -d)
trap 'rm -rf "$page"' EXIT
cp tests/pages/typescript/page.ts pages/kxhelper.d.ts "$page/"
cp pages/tsconfig.ts.json "$page/tsconfig.json"
if ! out=$("$tsc" -p "$page" --pretty false 2>&1) ||
   [ ! -f "$page/page.js" ] || [ ! -f "$page/page.js.map" ]; then
  echo "page types: the TypeScript page did not compile to page.js and its map:"
  echo "$out"
  status=1
fi
rm -f "$page/page.js"
cp tests/pages/typescript/broken.ts "$page/"
if "$tsc" -p "$page" --pretty false >/dev/null 2>&1 || [ -f "$page/page.js" ]; then
  echo "page types: a TypeScript page with an error compiled, or wrote page.js"
  status=1
fi
[ $status -eq 0 ] && echo "page types: ok, $(echo "$expected" | wc -l) wrong calls refused, the TypeScript page compiled"
exit $status
