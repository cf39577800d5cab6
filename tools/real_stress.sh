#!/usr/bin/env bash
# Runs the demo host on the options page N times in a row on the real
# framework, alternating multi-process and --single-process runs, and counts
# per mode the clean runs, the crashes, the runs that went wrong without a
# fault (an exit code, a missing line) and the hangs. For a crash or a hang it
# names the processes involved: Wine reports an unhandled fault on the dying
# process's standard error ("wine: Unhandled ..."), and a watcher on the Linux
# side notes when each process of the run (kxhost.exe, or kxsubprocess.exe
# with its --type) appeared and went, so the one that went when the fault was
# reported is named. A hang names the processes still running at the limit.
# Run it through tools/real_env.sh, which provides the display and the server:
#   tools/real_env.sh tools/real_stress.sh [BUILD_DIR] [RUNS] [-- KXHOST_ARGS...]
# Exits 0 only when every run was clean. Per-run files stay in
# BUILD_DIR/stress/ (run-N.out, run-N.err, run-N.procs). Several may run at
# once under one tools/real_env.sh, each with its own KX_STRESS_TAG
# (BUILD_DIR/stress-TAG/): each then sees, and ends, only the processes that
# run in its own folder.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-real}
runs=${2:-200}
shift $(($# < 2 ? $# : 2))
[ "${1:-}" = "--" ] && shift
extra=("$@")
build=$(cd "$build" && pwd)
host="$build/bin/kxhost.exe"
runner="$here/tools/wine64_run.sh"
[ -f "$build/bin/libcef.dll" ] || runner="$here/tools/wine_run.sh"
[ -f "$host" ] || { echo "real_stress: no $host" >&2; exit 2; }
out_dir="$build/stress${KX_STRESS_TAG:+-$KX_STRESS_TAG}"
rm -rf "$out_dir"
mkdir -p "$out_dir"
# The page closes itself once it has seen its options come back; the host's
# own limit is below the hang limit, so a hang is a run that outlives both.
host_limit_ms=20000
hang_limit_s=60
page="file:///$(winepath -w "$here/pages/options.html" 2>/dev/null | tr '\\' '/')"
bin_windows=$(winepath -w "$build/bin" 2>/dev/null)

now() { date +%s.%N; }

# The processes of this build's programs that run in this output folder (a
# child starts in its parent's), one "pid kind" line each.
list_processes() {
  local pid args
  for pid in $(pgrep -f 'kxhost\.exe|kxsubprocess\.exe'); do
    args=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue
    case "$args" in *"$bin_windows"* | *"$build/bin/"*) ;; *) continue ;; esac
    [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$out_dir" ] || continue
    case "$args" in
      *kxsubprocess.exe*--type=*)
        echo "$pid kxsubprocess($(echo "$args" | sed 's/.*--type=\([^ ]*\).*/\1/'))" ;;
      *kxsubprocess.exe*) echo "$pid kxsubprocess" ;;
      *kxhost.exe*) echo "$pid kxhost" ;;
    esac
  done
}

# Notes "TIME up|gone PID KIND" into $1 every 50 ms until $2 exists.
watch_processes() {
  local log=$1 stop=$2 current previous=""
  while [ ! -e "$stop" ]; do
    current=$(list_processes | sort)
    if [ "$current" != "$previous" ]; then
      local t
      t=$(now)
      comm -13 <(echo "$previous") <(echo "$current") | sed "/^$/d;s/^/$t up /" >>"$log"
      comm -23 <(echo "$previous") <(echo "$current") | sed "/^$/d;s/^/$t gone /" >>"$log"
      previous=$current
    fi
    sleep 0.05
  done
}

# Prefixes each line of standard input with the time it arrived.
stamp_lines() {
  local line
  while IFS= read -r line; do printf '%s %s\n' "$(now)" "$line"; done
}

# The kind of the first process that went within two seconds after the
# fault's report (a dying process is gone soon after Wine reports it; one
# that went just before it ended normally).
dead_process() {
  local procs=$1 fault_time=$2
  awk -v t="$fault_time" '$2 == "gone" && $1 >= t && $1 <= t + 2 { print $4; exit }' "$procs"
}

declare -A clean crashes hangs
declare -A failed
for mode in multi single; do
  clean[$mode]=0 crashes[$mode]=0 failed[$mode]=0 hangs[$mode]=0
done

for ((run = 1; run <= runs; ++run)); do
  mode=multi
  args=(--url="$page" --normal-voice="a normal voice" --horn-voice="a horn voice"
        --timeout-ms=$host_limit_ms)
  if ((run % 2 == 0)); then
    mode=single
    args+=(--single-process)
  fi
  args+=("${extra[@]}")
  base="$out_dir/run-$run"
  stop="$base.stop"
  watch_processes "$base.procs" "$stop" &
  watcher=$!
  started=$(now)
  # From the output folder: the framework writes its debug.log where it runs.
  (cd "$out_dir" && timeout -k 5 "$hang_limit_s" "$runner" "$host" "${args[@]}" \
    >"$base.out" 2> >(stamp_lines >"$base.err"))
  code=$?
  # Let the children go before the watcher stops, so that a crash at the end
  # is still attributed.
  sleep 0.5
  touch "$stop"
  wait "$watcher"
  wait
  elapsed=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
  fault=$(grep -m1 'wine: Unhandled\|wine: Call from\|wine: Assertion' "$base.err")
  verdict=clean
  detail=""
  hung=""
  if [ "$code" = 124 ] || [ "$code" = 137 ]; then
    # Those that went only when the limit ended the run (or never).
    still=$(awk -v end="$started" -v limit="$hang_limit_s" '
              { state[$3] = $2; kind[$3] = $4; when[$3] = $1 }
              END { for (p in state)
                      if (state[p] == "up" || when[p] >= end + limit - 1) print kind[p] }' \
              "$base.procs" | sort -u | tr '\n' ' ')
    hung="still running at ${hang_limit_s}s: ${still:-nothing}"
  fi
  # A process that faults may then hang instead of ending: that counts as
  # the crash it is.
  if [ -n "$hung" ] && [ -z "$fault" ]; then
    verdict=hang
    detail=$hung
  elif [ -n "$fault" ] || [ "$code" != 0 ] ||
       ! grep -q '^record count=' "$base.out" || ! grep -q '^notify ' "$base.out"; then
    verdict=crash
    who=""
    if [ -n "$fault" ]; then
      # One that hung after its fault is still there at the limit.
      who=""
      [ -n "$hung" ] && who="${still% }"
      [ -z "$who" ] && who=$(dead_process "$base.procs" "${fault%% *}")
      detail="${who:-unknown process}: ${fault#* }"
    else
      # Nothing faulted: the run ended wrongly without a crash.
      verdict=failed
      detail="no fault reported"
    fi
    detail="$detail; kxhost exit $code${hung:+, then hung}"
    grep -q '^record count=' "$base.out" || detail="$detail; no record line"
  fi
  case $verdict in
    clean) clean[$mode]=$((clean[$mode] + 1)) ;;
    crash) crashes[$mode]=$((crashes[$mode] + 1)) ;;
    failed) failed[$mode]=$((failed[$mode] + 1)) ;;
    hang) hangs[$mode]=$((hangs[$mode] + 1)) ;;
  esac
  echo "run $run $mode: $verdict in ${elapsed}s${detail:+ ($detail)}"
  # Nothing of a failed run may spoil the next one.
  for pid in $(list_processes | cut -d' ' -f1); do kill -9 "$pid" 2>/dev/null; done
done

total_bad=0
for mode in multi single; do
  bad=$((crashes[$mode] + failed[$mode] + hangs[$mode]))
  echo "$mode-process: $((clean[$mode] + bad)) runs, ${clean[$mode]} clean," \
       "${crashes[$mode]} crashes, ${failed[$mode]} failed otherwise, ${hangs[$mode]} hangs"
  total_bad=$((total_bad + bad))
done
[ "$total_bad" = 0 ]
