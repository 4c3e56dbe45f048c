#!/usr/bin/env bash
# Builds the kit package with cpack and checks that the zip holds exactly the launcher and the
# kit's own tools, in the kit's folder layout, stripped and small, that the batch file keeps its
# CR LF line ends, and that a kit maker's certificate signs both programs before they are zipped:
# at the commit's time, or with a time stamp from a local time-stamp server; that a certificate
# out of its dates or not for code signing is refused, and that nothing ships unsigned by mistake.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
tsa_pid=""
trap '[ -z "$tsa_pid" ] || kill "$tsa_pid"; rm -rf "$work"' EXIT
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

# Every program of the kit links only known system libraries, which Windows takes from System32
# whatever lies beside the program (a DLL another account put in the kit folder, or in the
# Downloads folder beside the setup program); comctl32 comes from the side-by-side store, which
# the program's manifest names.
known='ADVAPI32.dll GDI32.dll KERNEL32.dll SHELL32.dll USER32.dll WS2_32.dll msvcrt.dll ole32.dll OLEAUT32.dll'
for program in "$launcher" "$envtool" "$build/kit/installer/KitSetup/KitSetup.exe" \
  "$build/TolvaneChat-1.0.0.1445-setup.exe"; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | sort -u); do
    if [ "$dll" = COMCTL32.dll ]; then
      grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$(strings "$program")" \
        || fail "$(basename "$program") links COMCTL32.dll without the side-by-side version 6"
    else
      [[ " $known " == *" $dll "* ]] || fail "$(basename "$program") links $dll, not a known system library"
    fi
  done
done

# A throw-away certificate of a kit maker; the programs in the zip verify against it.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test Kit Maker" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
! osslsigncode verify -CAfile "$work/cert.pem" -in "$launcher" >/dev/null 2>&1 \
  || fail "the unsigned launcher verifies"
TOLVANE_SIGN_CERT=$work/cert.pem TOLVANE_SIGN_KEY=$work/key.pem cpack -G ZIP -B "$work/signed" >/dev/null
unzip -q "$work/signed/$zip" -d "$work/signed/kit"
for program in TolvaneChat.exe tools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/kit/$program" >"$work/verify" \
    || fail "$program is not signed by the kit maker's certificate"
  # Without a time-stamp server the signature carries the commit's time, not the clock's.
  grep -q "Signing time: $(date -u -d "@$(git -C "$source" log -1 --format=%ct)" '+%b %e %T %Y GMT')" \
    "$work/verify" || fail "$program was not signed at the commit's time: $(grep 'Signing time' "$work/verify")"
done

# Refused: certificates out of their dates or for another purpose; the program is left as it was.
printf '%s\n' '[ca]' 'default_ca = ca' '[ca]' 'database = index' 'new_certs_dir = .' 'serial = serial' \
  'default_md = sha256' 'policy = any' 'x509_extensions = use' '[any]' 'commonName = supplied' \
  '[use]' 'extendedKeyUsage = $ENV::USE' >"$work/ca.cnf"
touch "$work/index" && echo 01 >"$work/serial"
refused() {  # NAME FROM UNTIL USE EXPECTED: a self-signed certificate with these dates is refused
  openssl req -newkey rsa:2048 -nodes -subj "/CN=$1" -keyout "$work/$1.key" -out "$work/$1.csr" 2>/dev/null
  (cd "$work" && USE=$4 openssl ca -batch -selfsign -config ca.cnf -keyfile "$1.key" -in "$1.csr" \
    -startdate "$2" -enddate "$3" -out "$1.pem" 2>/dev/null)
  cp "$launcher" "$work/program.exe"
  ! TOLVANE_SIGN_CERT=$work/$1.pem TOLVANE_SIGN_KEY=$work/$1.key bash "$source/scripts/sign.sh" \
    "$work/program.exe" 2>"$work/refusal" || fail "signed with the certificate $1"
  grep -q "$5" "$work/refusal" || fail "the certificate $1 was refused with: $(cat "$work/refusal")"
  cmp -s "$launcher" "$work/program.exe" || fail "the refusal of $1 changed the program"
}
refused expired 20200101000000Z 20210101000000Z codeSigning "sign.sh: the certificate has expired"
refused future 20900101000000Z 20910101000000Z codeSigning "sign.sh: the certificate is not valid yet"
refused web-server 20200101000000Z 20900101000000Z serverAuth "sign.sh: the certificate is not for code signing"

# A time stamp from a local RFC 3161 server (openssl ts behind PHP's own web server) keeps the
# signature valid after the certificate expires; a server that gives none fails the signing.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test Time Stamps" \
  -addext "extendedKeyUsage=critical,timeStamping" -keyout "$work/tsa.key" -out "$work/tsa.pem" 2>/dev/null
printf '%s\n' '[tsa]' 'default_tsa = tsa' '[tsa]' "serial = $work/tsa.serial" "signer_cert = $work/tsa.pem" \
  "signer_key = $work/tsa.key" 'signer_digest = sha256' 'default_policy = 1.2.3.4.1' \
  'digests = sha256' 'ess_cert_id_alg = sha256' >"$work/tsa.cnf"
cat >"$work/tsa.php" <<PHP
<?php
\$query = tempnam('$work', 'query');
file_put_contents(\$query, file_get_contents('php://input'));
header('Content-Type: application/timestamp-reply');
passthru('openssl ts -reply -config $work/tsa.cnf -queryfile ' . escapeshellarg(\$query) . ' 2>/dev/null');
PHP
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 20000))
  php -S "127.0.0.1:$port" "$work/tsa.php" >/dev/null 2>&1 &
  tsa_pid=$!
  for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break 2; sleep 0.1; done
  kill "$tsa_pid" 2>/dev/null || true; tsa_pid=""
done
[ -n "$tsa_pid" ] || fail "the local time-stamp server did not start"
export TOLVANE_SIGN_CERT=$work/cert.pem TOLVANE_SIGN_KEY=$work/key.pem TOLVANE_SIGN_CA=$work/tsa.pem
cp "$launcher" "$work/program.exe"
TOLVANE_SIGN_TSA=http://127.0.0.1:$port/ bash "$source/scripts/sign.sh" "$work/program.exe" \
  || fail "could not sign with a time stamp"
later=$(($(date +%s) + 3 * 86400))  # when the one-day certificate has expired
osslsigncode verify -time "$later" -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa.pem" \
  -in "$work/program.exe" >"$work/verify" || fail "the time-stamped signature does not outlive the certificate"
grep -q '^Timestamp Server Signature verification: ok' "$work/verify" || fail "the time stamp does not verify"
! osslsigncode verify -time "$later" -CAfile "$work/cert.pem" -in "$work/signed/kit/TolvaneChat.exe" \
  >/dev/null 2>&1 || fail "a signature without a time stamp outlives the certificate"
kill "$tsa_pid" && wait "$tsa_pid" 2>/dev/null || true; tsa_pid=""
cp "$launcher" "$work/program.exe"
! TOLVANE_SIGN_TSA=http://127.0.0.1:$port/ bash "$source/scripts/sign.sh" "$work/program.exe" 2>"$work/refusal" \
  || fail "signed without the time stamp asked for"
grep -q "could not sign .* with a time stamp from" "$work/refusal" || fail "refused with: $(cat "$work/refusal")"
cmp -s "$launcher" "$work/program.exe" || fail "the failed time stamp left the program changed"

# A certificate variable that arrived empty, or a required signature without a certificate, stops
# the kit zip and the setup program instead of shipping them unsigned.
for setting in TOLVANE_SIGN_CERT= TOLVANE_SIGN_REQUIRED=1; do
  for step in "kit zip:-DCPACK_TEMPORARY_INSTALL_DIRECTORY=$work/none -P $build/kit-package.cmake" \
    "setup program:-DMAKENSIS=makensis -DCONTENT=$work -P $source/kit/installer/make-installer.cmake"; do
    ! env -u TOLVANE_SIGN_CERT "$setting" cmake ${step#*:} >"$work/refusal" 2>&1 \
      || fail "the ${step%%:*} was made with $setting"
    grep -q "the ${step%%:*} would be unsigned" "$work/refusal" || fail "$(cat "$work/refusal")"
  done
done
