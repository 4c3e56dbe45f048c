#!/usr/bin/env bash
# The tests under Wine save screenshots as BMP files (GDI has no PNG encoder); turn them into PNG.
set -euo pipefail
dir=${1:?artifacts folder}
[ -d "$dir" ] || exit 0
shopt -s nullglob
for bmp in "$dir"/*.bmp; do
  /usr/bin/convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
