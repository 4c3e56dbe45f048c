#!/usr/bin/env bash
# Writes the demo kit's manual, TolvaneChat.pdf, as a real text PDF: manual.txt set in Helvetica
# on A4 pages by Ghostscript. The first line is the title, a line after an empty one a heading.
# The PDF carries no dates and no ID (Ghostscript makes its ID from the clock and the output's
# path), so that every build writes the same bytes.
set -euo pipefail
out=${1:?output PDF}
here=$(cd "$(dirname "$0")" && pwd)
ps=$(mktemp --suffix=.ps)
trap 'rm -f "$ps"' EXIT
{
  echo '%!PS'
  echo '/y 790 def'
  echo '/line { /Helvetica findfont exch scalefont setfont 56 y moveto show /y y 16 sub def } def'
  echo '/gap { /y y 10 sub def } def'
  first=1; after_blank=0
  while IFS= read -r text || [ -n "$text" ]; do
    escaped=$(printf '%s' "$text" | sed -e 's/\\/\\\\/g' -e 's/(/\\(/g' -e 's/)/\\)/g')
    if [ -z "$text" ]; then echo 'gap'; after_blank=1; continue; fi
    if [ $first -eq 1 ]; then size=22; first=0
    elif [ $after_blank -eq 1 ]; then size=14
    else size=11; fi
    after_blank=0
    echo "($escaped) $size line"
  done < "$here/manual.txt"
  echo 'showpage'
} > "$ps"
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -dOmitID -dOmitInfoDate -dOmitXMP \
  -sOutputFile="$out" "$ps"
