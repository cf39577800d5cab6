#!/usr/bin/env bash
# tools/test_env.sh for the real-framework build: a 64-bit Wine prefix of its
# own in build-real/, the Windows core fonts mapped to installed ones (without
# them the render process crashes on its first text), no crash dialog and
# Direct3D in software (tools/wine-real.reg).
# Usage: tools/real_env.sh COMMAND [ARGS...]
here=$(cd "$(dirname "$0")/.." && pwd)
export KX_WINEPREFIX="${KX_WINEPREFIX:-$here/build-real/wineprefix}"
export KX_WINEARCH=win64
export KX_WINE_REG="$here/tools/wine-fonts.reg $here/tools/wine-cjk-fonts.reg $here/tools/wine-real.reg"
exec "$here/tools/test_env.sh" "$@"
