#!/usr/bin/env bash
# `make package`: the package a host developer gets, from a real-framework
# build: laid out by `cmake --install` as BUILD/package/<name>/ and zipped by
# CPack as BUILD/package/<name>.zip, <name> being
# kxembed-<version>-windows-<arch>. cmake/install.cmake says what goes in.
# Usage: tools/package.sh REAL_BUILD_DIR
set -euo pipefail
build=${1:?usage: package.sh REAL_BUILD_DIR}
if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package: $build is no real-framework build; the package is made from one (make build-real)"
  exit 1
fi
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
rm -rf "$build/package"
cmake --install "$build" --prefix "$build/package/$name" >/dev/null
(cd "$build" && cpack >/dev/null)
rm -rf "$build/package/_CPack_Packages"
echo "package: $build/package/$name/ and $name.zip ($(du -h "$build/package/$name.zip" | cut -f1))"
