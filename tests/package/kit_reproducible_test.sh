#!/usr/bin/env bash
# Builds the kit's programs, package and setup program a second time, from scratch in another
# folder (on another file system where there is one, which lists files in another order), in
# another time zone and with another umask, both builds signed with one throw-away certificate,
# and checks that both gave the same bytes: the kit a maker ships can be rebuilt and compared.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
again=$(mktemp -d /dev/shm/tolvane-again.XXXXXX 2>/dev/null || mktemp -d "$build-again.XXXXXX")
work=$(mktemp -d)
# The build's own setup program and kit zip are made again unsigned at the end, as the build made
# them: a kit maker who ships from the build folder must not ship the test's signature.
restore() {
  (cd "$build" && env -u TOLVANE_SIGN_CERT -u TOLVANE_SIGN_KEY cmake --build . --target installer \
    >/dev/null && env -u TOLVANE_SIGN_CERT -u TOLVANE_SIGN_KEY cpack -G ZIP >/dev/null)
  rm -rf "$again" "$work"
}
trap restore EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test Kit Maker" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
export TOLVANE_SIGN_CERT=$work/cert.pem TOLVANE_SIGN_KEY=$work/key.pem
unset TOLVANE_SIGN_TSA SOURCE_DATE_EPOCH  # a time stamp is never the same twice

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
package() { cmake --build "$1" -j2 --target installer >/dev/null && (cd "$1" && cpack -G ZIP >/dev/null); }
package "$build"
(
  export TZ=Pacific/Kiritimati
  umask 002
  # cpack installs what is built instead of building everything first.
  cmake -S "$source" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$(cache CMAKE_TOOLCHAIN_FILE)" \
    -DCMAKE_BUILD_TYPE="$(cache CMAKE_BUILD_TYPE)" -DTOLVANE_DEPS_PREFIX="$(cache TOLVANE_DEPS_PREFIX)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
  package "$again"
)

version=$(cache CMAKE_PROJECT_VERSION)
status=0
for file in app/TolvaneChat.exe kit/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe \
  kit/installer/kit/TolvaneChat.exe TolvaneChat-$version-kit.zip TolvaneChat-$version-setup.exe; do
  cmp -s "$build/$file" "$again/$file" || { echo "$file differs between two builds"; status=1; }
  echo "$(sha256sum <"$build/$file" | cut -c1-64) $(sha256sum <"$again/$file" | cut -c1-64) $file"
done
exit "$status"
