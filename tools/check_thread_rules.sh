#!/usr/bin/env bash
# The component as a host developer's Debug build has it: built without
# NDEBUG (the framework wrapper too), so every CEF_REQUIRE_*_THREAD() and
# DCHECK is live, against the same release libcef.dll, then the demo host's
# runs of the demo pages in both process modes (pop-ups too, which the
# framework offers on its IO thread). A callback reached on a thread its check
# does not allow ends its process, and that run fails.
# Usage: tools/check_thread_rules.sh CEF_ROOT WORK_DIR   (under tools/real_env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:?usage: check_thread_rules.sh CEF_ROOT WORK_DIR}
work=${2:?usage: check_thread_rules.sh CEF_ROOT WORK_DIR}
mkdir -p "$work"
work=$(cd "$work" && pwd)
fail() { echo "check_thread_rules: $*"; exit 1; }

if [ ! -f "$work/CMakeCache.txt" ]; then
  # -O1 without -g: the checks are what matters, not a debugger's view.
  cmake -S "$here" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O1 -DCMAKE_C_FLAGS_DEBUG=-O1 \
        -DCEF_ROOT="$dist" >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; fail "configure failed"; }
fi
cmake --build "$work" -j 2 --target kxsubprocess kxhost host_tests >"$work/build.log" 2>&1 \
  || { tail -40 "$work/build.log"; fail "build failed"; }
# What makes it a checked build: neither the component nor the wrapper is
# compiled with NDEBUG.
for target in kx_system kx_common libcef_dll_wrapper host_tests; do
  flags="$work/CMakeFiles/$target.dir/flags.make"
  [ -f "$flags" ] || flags=$(find "$work" -path "*/$target.dir/flags.make" | head -1)
  [ -n "$flags" ] && [ -f "$flags" ] || fail "no compile flags for $target"
  ! grep -q -- "NDEBUG" "$flags" || fail "$target is built with NDEBUG"
done
echo "check_thread_rules: kxhost.exe and kxsubprocess.exe built with their checks on"
# From the build folder: the framework writes its debug.log into the
# working folder.
cd "$work"
"$here/tools/wine64_run.sh" "$work/bin/host_tests.exe" \
  --gtest_filter='*DemoOptionsPage*:*DemoErrorPage*:*PageAssertions*:*LongPopUpAddresses*:*OptionsReachTheHost*:*AllowList*:*KxHostOptionsPageTest*'
