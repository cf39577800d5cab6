#!/usr/bin/env bash
# Lays out the distributable package of a built tree, the way embedding
# frameworks ship: bin/ (kxsubprocess.exe, kxhost.exe), lib/ (the component's
# static library and what it links against, with a CMake package config),
# include/ (the headers a host includes), cmake/ (a MinGW-w64 toolchain file)
# and examples/. Then zips it.
# Usage: tools/package.sh BUILD_DIR [OUT_DIR]  (default OUT_DIR: BUILD_DIR/package)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: package.sh BUILD_DIR [OUT_DIR]}" && pwd)
out_parent=${2:-$build/package}
name=kxembed
out=$out_parent/$name

# The component's library first; each library before the ones it uses.
libs=(kx_system kx_common fw_process fw_browser fw_renderer fw_wrapper
      fw_script fw_core duktape)
# What a host includes; everything they include comes along.
entry_headers=(app/simple_app.h browser/embed_browser_handler.h
               browser/page_observer.h store/option_store.h
               store/host_filter_record.h)

for f in bin/kxsubprocess.exe bin/kxhost.exe; do
  [ -f "$build/$f" ] || { echo "package: $build/$f is missing (make build)" >&2; exit 1; }
done
for l in "${libs[@]}"; do
  [ -f "$build/lib$l.a" ] || { echo "package: $build/lib$l.a is missing (make build)" >&2; exit 1; }
done

rm -rf "$out" "$out_parent/$name.zip"
mkdir -p "$out"/{bin,lib/cmake/$name,include,cmake,examples}
cp "$build/bin/kxsubprocess.exe" "$build/bin/kxhost.exe" "$out/bin/"
for l in "${libs[@]}"; do cp "$build/lib$l.a" "$out/lib/"; done

# The framework's public headers keep their place under include/, as in a
# framework distribution; the component's headers keep their folders.
cp -r "$here/framework/include/." "$out/include/"
python3 - "$here" "$out/include" "${entry_headers[@]}" <<'PY'
import os, re, shutil, sys
root, dest, todo = sys.argv[1], sys.argv[2], list(sys.argv[3:])
seen = set()
while todo:
    header = todo.pop()
    if header in seen:
        continue
    seen.add(header)
    os.makedirs(os.path.join(dest, os.path.dirname(header)), exist_ok=True)
    shutil.copy(os.path.join(root, header), os.path.join(dest, header))
    for line in open(os.path.join(root, header), encoding="utf-8"):
        m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
        if m and not m.group(1).startswith("include/"):
            todo.append(m.group(1))
PY

cp "$here/cmake/package/${name}Config.cmake" \
   "$here/cmake/package/${name}ConfigVersion.cmake" "$out/lib/cmake/$name/"
cp "$here/cmake/package/mingw-i686.cmake" "$out/cmake/"
cp -r "$here/examples/minimal_host" "$out/examples/"

(cd "$out_parent" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "package: $out and $out_parent/$name.zip"
