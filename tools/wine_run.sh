#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix.
# tools/test_env.sh provides the display and the persistent wineserver.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${KX_WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers: the prefix never asks for them.
export WINEDLLOVERRIDES="mscoree,mshtml=;${WINEDLLOVERRIDES:-}"
export WINEARCH=win32
exec wine "$@"
