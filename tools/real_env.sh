#!/usr/bin/env bash
# tools/test_env.sh for the real-framework build: a 64-bit Wine prefix of its
# own in build-real/ with the settings the package ships for running hosts
# (cmake/package/wine/*.reg): the Windows core fonts mapped to installed ones
# (without them the render process crashes on its first text), no crash
# dialog or debugger, Wine's .NET and browser engine off, Direct3D in
# software.
# Usage: tools/real_env.sh COMMAND [ARGS...]
here=$(cd "$(dirname "$0")/.." && pwd)
export KX_WINEPREFIX="${KX_WINEPREFIX:-$here/build-real/wineprefix}"
export KX_WINEARCH=win64
export KX_WINE_REG=$(echo "$here"/cmake/package/wine/*.reg)
exec "$here/tools/test_env.sh" "$@"
