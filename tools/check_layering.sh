#!/usr/bin/env bash
# Fails when a folder includes one it must not: renderer/ never sees browser/
# or store/, they never see renderer/, common/ sees neither, app/ (the
# application object of both halves) sees renderer/ and browser/ but not the
# store behind them, and framework/ sees nothing of the system.
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
status=0
check() {
  local dir=$1 pattern=$2
  [ -d "$dir" ] || return
  hits=$(grep -rnE "#include \"($pattern)/" "$dir" --include='*.h' --include='*.cc' || true)
  if [ -n "$hits" ]; then
    echo "layering: $dir must not include $pattern:"
    echo "$hits"
    status=1
  fi
}
check renderer 'browser|store|host'
check browser 'renderer|host'
check store 'renderer|host'
check common 'app|renderer|browser|store|host'
check app 'store|host'
check framework 'app|common|renderer|browser|store|host'
[ $status -eq 0 ] && echo "layering: ok"
exit $status
