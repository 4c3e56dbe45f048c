#!/usr/bin/env bash
# Builds the kit package with cpack and checks that the zip holds exactly the launcher and the
# kit's own tools, in the kit's folder layout, and that the batch file keeps its CR LF line ends.
set -euo pipefail
build=${1:?build folder}
cd "$build"
cpack -G ZIP >/dev/null
zip=$(ls -1 TolvaneChat-*-kit.zip)
[ "$zip" = "TolvaneChat-1.0.0.1445-kit.zip" ] || { echo "unexpected package name: $zip"; exit 1; }
expected=$'TolvaneChat.exe\ntools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe\ntools/javatest.bat'
actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
if [ "$actual" != "$expected" ]; then
  printf 'the package holds:\n%s\nexpected:\n%s\n' "$actual" "$expected"
  exit 1
fi
unzip -p "$zip" tools/javatest.bat | head -n 1 | grep -q $'\r$' || { echo "javatest.bat lost its CR LF"; exit 1; }
