#!/usr/bin/env bash
# Builds the kit's programs and package a second time, from scratch in another folder, and checks
# that both builds gave the same bytes: the kit a maker ships can be rebuilt and compared.
set -euo pipefail
build=${1:?build folder}
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
again=$build-again
rm -rf "$again"
trap 'rm -rf "$again"' EXIT

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
cmake -S "$source" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$(cache CMAKE_TOOLCHAIN_FILE)" \
  -DCMAKE_BUILD_TYPE="$(cache CMAKE_BUILD_TYPE)" -DTOLVANE_DEPS_PREFIX="$(cache TOLVANE_DEPS_PREFIX)" \
  >/dev/null
cmake --build "$again" -j2 --target TolvaneChat RegisterEnvironmentVariable >/dev/null
(cd "$build" && cpack -G ZIP >/dev/null) && (cd "$again" && cpack -G ZIP >/dev/null)

status=0
for file in app/TolvaneChat.exe kit/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe \
  TolvaneChat-1.0.0.1445-kit.zip; do
  cmp -s "$build/$file" "$again/$file" || { echo "$file differs between two builds"; status=1; }
done
exit "$status"
