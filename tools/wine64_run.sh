#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine with the real-framework build's
# prefix. tools/real_env.sh provides the display and the persistent wineserver.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${KX_WINEPREFIX:-$here/build-real/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;${WINEDLLOVERRIDES:-}"
export WINEARCH=win64
exec /usr/lib/wine/wine64 "$@"
