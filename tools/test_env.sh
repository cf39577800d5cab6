#!/usr/bin/env bash
# Runs a command with a virtual display and one persistent wineserver, then
# tears both down. Usage: tools/test_env.sh COMMAND [ARGS...]
# KX_WINEPREFIX and KX_WINEARCH choose the prefix (default: the 32-bit one in
# build/); KX_WINE_REG lists .reg files imported once into a new prefix.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export KX_WINEPREFIX="${KX_WINEPREFIX:-$here/build/wineprefix}"
export KX_WINEARCH="${KX_WINEARCH:-win32}"
# A crash ends its program at once, in every prefix (the package's
# cmake/package/wine/crash.reg).
export KX_WINE_REG="${KX_WINE_REG:-$here/cmake/package/wine/crash.reg}"
export WINEPREFIX="$KX_WINEPREFIX" WINEARCH="$KX_WINEARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Waits for this prefix's Wine server to end (after making the prefix or
# importing registry files), but not for ever: a server that an earlier,
# killed run left persistent never ends by itself.
wait_for_wineserver() {
  local bound=${KX_WINESERVER_WAIT_S:-60}
  timeout "$bound" wineserver -w && return 0
  echo "test_env: the Wine server of $WINEPREFIX still runs after $bound s" \
       "(left persistent by an earlier run?): going on with it" >&2
}

xvfb_pid=""
if [ -z "${KX_KEEP_DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and writes its number to the pipe once it
  # accepts clients: parallel runs never race for one.
  display_pipe=$(mktemp -u "${TMPDIR:-/tmp}/kx-display.XXXXXX")
  mkfifo "$display_pipe"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_pipe" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 display_number <"$display_pipe"
  rm -f "$display_pipe"
  export DISPLAY=":${display_number:?Xvfb did not start}"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test_env: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wait_for_wineserver
fi
# The registry files go in through the prefix's own regedit: the 64-bit one in
# a 64-bit prefix, or machine keys land in the 32-bit view only. A prefix
# made before the files last changed gets them again.
if [ -n "${KX_WINE_REG:-}" ]; then
  reg_sum=$(cat $KX_WINE_REG | md5sum | cut -d' ' -f1)
  if [ "$(cat "$WINEPREFIX/.kx-reg-imported" 2>/dev/null)" != "$reg_sum" ]; then
    loader=wine
    if [ "$KX_WINEARCH" = win64 ]; then
      for candidate in wine64 /usr/lib/wine/wine64 /usr/lib64/wine/wine64; do
        command -v "$candidate" >/dev/null && { loader=$candidate; break; }
      done
    fi
    for reg in $KX_WINE_REG; do
      "$loader" regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
    done
    wait_for_wineserver
    echo "$reg_sum" >"$WINEPREFIX/.kx-reg-imported"
  fi
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
