#!/usr/bin/env bash
# tools/test_env.sh waits for its prefix's Wine server after importing
# registry files; a server that an earlier, killed run left persistent must
# not make that wait last for ever. Plays it on a copy of PREFIX (hard
# links: nothing is copied, and Wine replaces the registry files it saves
# rather than writing into them): a persistent server, then a run that has
# a registry file to import.
# Usage: tools/check_test_env.sh PREFIX   (under tools/test_env.sh: a display)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:?usage: check_test_env.sh PREFIX}
work=$(mktemp -d "${TMPDIR:-/tmp}/kx-test-env.XXXXXX")
copy="$work/prefix"
fail() { echo "check_test_env: $*"; exit 1; }
cleanup() {
  WINEPREFIX="$copy" wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

[ -f "$prefix/system.reg" ] || fail "no Wine prefix at $prefix"
cp -al "$prefix" "$copy" || fail "cannot copy $prefix"
# Written in place by test_env.sh: the copy gets a file of its own.
rm -f "$copy/.kx-reg-imported"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\KxTestEnv]\n"checked"="1"\n' \
  >"$work/extra.reg"
WINEPREFIX="$copy" wineserver -p || fail "cannot start a persistent server"

start=$(date +%s)
KX_KEEP_DISPLAY=1 KX_WINEPREFIX="$copy" KX_WINEARCH=win32 \
  KX_WINE_REG="$here/tools/wine-crash.reg $work/extra.reg" KX_WINESERVER_WAIT_S=5 \
  timeout 120 "$here/tools/test_env.sh" true 2>"$work/err.txt"
rc=$?
took=$(( $(date +%s) - start ))
cat "$work/err.txt"
[ "$rc" -ne 124 ] || fail "test_env.sh still waited after 120 s"
[ "$rc" -eq 0 ] || fail "test_env.sh ended with $rc"
grep -q "still runs after 5 s" "$work/err.txt" || fail "the bounded wait said nothing"
grep -q '"checked"="1"' "$copy/user.reg" || fail "the registry file was not imported"
echo "check_test_env: a run over a persistent server went on after its bound (${took} s in all)"
