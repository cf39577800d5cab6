#!/usr/bin/env bash
# tools/test_env.sh for the real-framework build: a 64-bit Wine prefix of its
# own in build-real/, the Windows core fonts mapped to installed ones (without
# them the render process crashes on its first text) and Direct3D in
# software (tools/wine-real.reg), and, as in every prefix, no crash dialog or
# debugger (tools/wine-crash.reg).
# Usage: tools/real_env.sh COMMAND [ARGS...]
here=$(cd "$(dirname "$0")/.." && pwd)
export KX_WINEPREFIX="${KX_WINEPREFIX:-$here/build-real/wineprefix}"
export KX_WINEARCH=win64
export KX_WINE_REG="$here/tools/wine-fonts.reg $here/tools/wine-cjk-fonts.reg $here/tools/wine-real.reg $here/tools/wine-crash.reg"
exec "$here/tools/test_env.sh" "$@"
