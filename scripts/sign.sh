#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode, so that Windows names the kit maker as their
# publisher instead of warning of an unknown one.
#
#   TOLVANE_SIGN_CERT=cert.pem TOLVANE_SIGN_KEY=key.pem scripts/sign.sh FILE...
#
# TOLVANE_SIGN_CERT is the kit maker's certificate (PEM, the chain may follow it in the same file),
# TOLVANE_SIGN_KEY its private key (PEM); TOLVANE_SIGN_PASS_FILE a file holding the key's password, if it
# has one (a file, so that the password never shows in the process list).
# No time stamp is asked for: the build machine need not reach a time-stamping service.
set -euo pipefail

: "${TOLVANE_SIGN_CERT:?names the certificate (PEM) to sign with}"
: "${TOLVANE_SIGN_KEY:?names the private key (PEM) of that certificate}"
[ $# -gt 0 ] || { echo "usage: sign.sh FILE..." >&2; exit 2; }

password=()
[ -z "${TOLVANE_SIGN_PASS_FILE:-}" ] || password=(-readpass "$TOLVANE_SIGN_PASS_FILE")

for file in "$@"; do
  signed="$file.signing"
  osslsigncode sign -certs "$TOLVANE_SIGN_CERT" -key "$TOLVANE_SIGN_KEY" "${password[@]}" \
    -h sha256 -n "Tolvane Chat" -in "$file" -out "$signed" >/dev/null \
    || { rm -f "$signed"; echo "sign.sh: could not sign $file" >&2; exit 1; }
  mv -f "$signed" "$file"
done
