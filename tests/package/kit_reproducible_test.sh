#!/usr/bin/env bash
# Builds the kit's programs, package and setup program a second time, from scratch in another
# folder (on another file system where there is one, which lists files in another order), in
# another time zone and with another umask, packs both builds signed with one throw-away
# certificate, and checks that both gave the same bytes: the kit a maker ships can be rebuilt and
# compared. The signed packages are made in the test's own folders: the build's own setup program
# and kit zip stay as the build made them, so that nobody ships the test's signature.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
again=$(mktemp -d /dev/shm/tolvane-again.XXXXXX 2>/dev/null || mktemp -d "$build-again.XXXXXX")
work=$(mktemp -d)
trap 'rm -rf "$again" "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test Kit Maker" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
unset TOLVANE_SIGN_TSA SOURCE_DATE_EPOCH  # a time stamp is never the same twice
signed() { TOLVANE_SIGN_CERT=$work/cert.pem TOLVANE_SIGN_KEY=$work/key.pem "$@"; }

source "$source/tests/package/setup_program.sh"
cache() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }
version=$(cache "$build" CMAKE_PROJECT_VERSION)
# The kit zip and the setup program of the build in DIR, signed, made in OUT: what cpack and the
# installer target make.
package() {
  local dir=$1 out=$2
  (cd "$dir" && signed cpack -G ZIP -B "$out" >/dev/null)
  signed make_setup_program "$dir" "$(cache "$dir" TOLVANE_KIT_CONTENT)" "$out/stage/kit" \
    "$out/TolvaneChat-$version-setup.exe"
}

untouched=$(sha256sum "$build/TolvaneChat-$version-setup.exe")
package "$build" "$work/first"
(
  export TZ=Pacific/Kiritimati
  umask 002
  cmake -S "$source" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$(cache "$build" CMAKE_TOOLCHAIN_FILE)" \
    -DCMAKE_BUILD_TYPE="$(cache "$build" CMAKE_BUILD_TYPE)" \
    -DTOLVANE_DEPS_PREFIX="$(cache "$build" TOLVANE_DEPS_PREFIX)" >/dev/null
  cmake --build "$again" -j2 --target installer >/dev/null
  package "$again" "$work/again"
)

status=0
compare() {
  cmp -s "$1/$3" "$2/$3" || { echo "$3 differs between two builds"; status=1; }
  echo "$(sha256sum <"$1/$3" | cut -c1-64) $(sha256sum <"$2/$3" | cut -c1-64) $3"
}
for file in app/TolvaneChat.exe kit/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe; do
  compare "$build" "$again" "$file"
done
for file in stage/kit/TolvaneChat.exe TolvaneChat-$version-kit.zip TolvaneChat-$version-setup.exe; do
  compare "$work/first" "$work/again" "$file"
done
[ "$(sha256sum "$build/TolvaneChat-$version-setup.exe")" = "$untouched" ] \
  || { echo "the build's own setup program was changed"; status=1; }
exit "$status"
