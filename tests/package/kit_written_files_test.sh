#!/usr/bin/env bash
# A kit tree that was run from holds what the launcher and the servers write there: the settings,
# the Java report, logs and process ids. The setup program made from it packs and records none of
# them, and keeps their folders.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }
source "$here/setup_program.sh"

cp -r "$(sed -n 's/^TOLVANE_KIT_CONTENT:PATH=//p' "$build/CMakeCache.txt")" "$work/content"
written='tools/config.txt tools/javaversion.txt servers/apache/logs/error.log
  servers/apache/logs/httpd.pid www/service/logs/2026/chat.log servers/wowza/wowza.pid'
for file in $written; do
  mkdir -p "$work/content/$(dirname "$file")"
  echo "written while the kit ran" >"$work/content/$file"
done
make_setup_program "$build" "$work/content" "$work/stage/kit" "$work/TolvaneChat-setup.exe"
[ -s "$work/TolvaneChat-setup.exe" ] || fail "no setup program was made"

# What setup records as shipped (files after their SHA-256, folders), and what it packs.
shipped=$(sed 's/^[0-9a-f]\{64\}  //' "$work/stage/kit-data/shipped.txt" | tr '\\' /)
packed=$(sed -n "s|^ *File \"$work/stage/kit/\(.*\)\"\$|\1|p" "$work/stage/kit-files.nsh")
grep -qxF TolvaneChat.exe <<<"$packed" || fail "setup packs no launcher"
for file in $written; do
  ! grep -qxF "$file" <<<"$shipped" || fail "setup records $file"
  ! grep -qxF "$file" <<<"$packed" || fail "setup packs $file"
  grep -qxF "$(dirname "$file")/" <<<"$shipped" || fail "setup leaves out the folder of $file"
done
