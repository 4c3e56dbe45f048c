#!/usr/bin/env bash
# A fuzz campaign: runs every libFuzzer target for a time budget each (default 10 minutes), from
# the committed seeds and what earlier campaigns kept, then merges what it found into a minimised
# corpus folder per target. Prints the executions and findings of each target; exits non-zero
# when any target found a crash, a leak, a time-out or a memory blow-up.
#
#   scripts/fuzz.sh [SECONDS]
#
# Kept in build/fuzz/campaign/: corpus/<target>/ (the minimised corpus, which the next campaign
# starts from) and findings/<target>/ (the inputs that failed, to reproduce with
# build/fuzz/tests/fuzz/<target> <file>).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-600}

bash scripts/bootstrap.sh || exit 1
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 >/dev/null || exit 1

campaign=$root/build/fuzz/campaign
status=0
printf '%-20s %14s %10s %9s\n' target executions corpus findings
for program in build/fuzz/tests/fuzz/*_fuzz; do
  target=$(basename "$program")
  corpus=$campaign/corpus/$target
  findings=$campaign/findings/$target
  work=$(mktemp -d)
  mkdir -p "$corpus" "$findings"
  "$program" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$corpus" "tests/fuzz/corpus/${target%_fuzz}" \
    >"$work.log" 2>&1
  # The merge keeps the smallest set of inputs that covers all that this run and the earlier
  # ones reached.
  merged=$(mktemp -d)
  "$program" -merge=1 "$merged" "$corpus" "$work" >/dev/null 2>&1 && rm -rf "$corpus" && mv "$merged" "$corpus"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log" | tail -n 1)
  found=$(find "$findings" -type f | wc -l)
  printf '%-20s %14s %10s %9s\n' "$target" "${executions:-?}" "$(find "$corpus" -type f | wc -l)" "$found"
  [ "$found" -eq 0 ] || status=1
  rm -rf "$work" "$work.log" "$merged"
done
exit "$status"
