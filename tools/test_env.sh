#!/usr/bin/env bash
# Runs a command with a virtual display and one persistent wineserver, then
# tears both down. Usage: tools/test_env.sh COMMAND [ARGS...]
# KX_WINEPREFIX and KX_WINEARCH choose the prefix (default: the 32-bit one in
# build/); KX_WINE_REG lists .reg files imported once into a new prefix.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export KX_WINEPREFIX="${KX_WINEPREFIX:-$here/build/wineprefix}"
export KX_WINEARCH="${KX_WINEARCH:-win32}"
export WINEPREFIX="$KX_WINEPREFIX" WINEARCH="$KX_WINEARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
if [ -z "${KX_KEEP_DISPLAY:-}" ]; then
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test_env: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
if [ -n "${KX_WINE_REG:-}" ] && [ ! -f "$WINEPREFIX/.kx-reg-imported" ]; then
  for reg in $KX_WINE_REG; do
    wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  done
  wineserver -w
  touch "$WINEPREFIX/.kx-reg-imported"
fi
# One server for the whole run: every Wine start after this one is fast.
wineserver -p >/dev/null 2>&1
# Start Wine's background services now, detached from our output: started by
# the first test instead, they would keep its output pipe open and hang CTest.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1

"$@"
rc=$?

wineserver -k >/dev/null 2>&1
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $rc
