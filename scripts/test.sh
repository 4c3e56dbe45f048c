#!/usr/bin/env bash
# Builds every preset and runs every test layer: native unit and peer tests, the fuzzers for a
# bounded time, then the Win32 and end-to-end tests under Wine on a private Xvfb display. Ends with one line "N passed, N failed"
# and exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/bootstrap.sh || exit 1

source scripts/wine-session.sh
start_wine_session || exit 1
trap stop_wine_session EXIT

status=0
passed=0
failed=0

# Runs ctest and adds its counts to the totals.
run_ctest() {
  local log; log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  local line; line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "test.sh: ctest $* ran no test" >&2
    status=1
  else
    local total bad
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || status=1
  fi
  rm -f "$log"
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

if build linux; then
  run_ctest --preset linux -j2
else
  echo "test.sh: the native build failed" >&2
  status=1
fi

if build fuzz; then
  run_ctest --preset fuzz -j2
else
  echo "test.sh: the fuzz build failed" >&2
  status=1
fi

if build windows; then
  run_ctest --preset windows -j2
  bash scripts/artifacts-to-png.sh build/windows/artifacts
else
  echo "test.sh: the Windows build failed" >&2
  status=1
fi

[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed"
exit "$status"
