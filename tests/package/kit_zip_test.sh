#!/usr/bin/env bash
# Builds the kit package with cpack and checks that the zip holds exactly the launcher and the
# kit's own tools, in the kit's folder layout, stripped and small, that the batch file keeps its
# CR LF line ends, and that a kit maker's certificate signs both programs before they are zipped.
set -euo pipefail
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
fail() { echo "$*"; exit 1; }

cpack -G ZIP >/dev/null
zip=$(ls -1 TolvaneChat-*-kit.zip)
[ "$zip" = "TolvaneChat-1.0.0.1445-kit.zip" ] || fail "unexpected package name: $zip"
expected=$'TolvaneChat.exe\ntools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe\ntools/javatest.bat'
actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[ "$actual" = "$expected" ] || fail $'the package holds:\n'"$actual"$'\nexpected:\n'"$expected"
unzip -p "$zip" tools/javatest.bat | head -n 1 | grep -q $'\r$' || fail "javatest.bat lost its CR LF"

unzip -q "$zip" -d "$work/kit"
launcher=$work/kit/TolvaneChat.exe
envtool=$work/kit/tools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe
for limit in "$launcher 1048576" "$envtool 262144"; do
  set -- $limit
  size=$(stat -c %s "$1")
  [ "$size" -le "$2" ] || fail "$(basename "$1") is $size bytes, more than $2"
  ! x86_64-w64-mingw32-objdump -h "$1" | grep -q '\.debug' || fail "$(basename "$1") has debug sections"
done

# A throw-away certificate of a kit maker; the programs in the zip verify against it.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test Kit Maker" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
! osslsigncode verify -CAfile "$work/cert.pem" -in "$launcher" >/dev/null 2>&1 \
  || fail "the unsigned launcher verifies"
TOLVANE_SIGN_CERT=$work/cert.pem TOLVANE_SIGN_KEY=$work/key.pem cpack -G ZIP -B "$work/signed" >/dev/null
unzip -q "$work/signed/$zip" -d "$work/signed/kit"
for program in TolvaneChat.exe tools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/kit/$program" >/dev/null \
    || fail "$program is not signed by the kit maker's certificate"
done
