#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode, so that Windows names the kit maker as their
# publisher instead of warning of an unknown one.
#
#   TOLVANE_SIGN_CERT=cert.pem TOLVANE_SIGN_KEY=key.pem scripts/sign.sh FILE...
#
# TOLVANE_SIGN_CERT is the kit maker's certificate (PEM, the chain may follow it in the same file),
# TOLVANE_SIGN_KEY its private key (PEM); TOLVANE_SIGN_PASS_FILE a file holding the key's password, if it
# has one (a file, so that the password never shows in the process list).
#
# TOLVANE_SIGN_TSA names an RFC 3161 time-stamp server (its URL). The time stamp keeps the signature
# valid after the certificate has expired; when the server gives none, nothing is signed and the
# script fails. Without a server the signature carries the commit's time (SOURCE_DATE_EPOCH when
# set) instead of the clock's, so that two builds of a commit sign to the same bytes; Windows then
# trusts the signature only while the certificate is valid.
#
# A certificate that has expired, is not valid yet or is not for code signing is refused. Every
# signature is verified once made, the certificate's chain and the time stamp against the roots in
# the certificate file, the system's roots and TOLVANE_SIGN_CA (a PEM file with further roots, for
# example a time-stamp server's of your own).
set -euo pipefail

refuse() { echo "sign.sh: $*" >&2; exit 1; }
: "${TOLVANE_SIGN_CERT:?names the certificate (PEM) to sign with}"
: "${TOLVANE_SIGN_KEY:?names the private key (PEM) of that certificate}"
[ $# -gt 0 ] || { echo "usage: sign.sh FILE..." >&2; exit 2; }

# The first certificate in the file is the one that signs.
leaf=$(openssl x509 -in "$TOLVANE_SIGN_CERT" 2>/dev/null) || refuse "$TOLVANE_SIGN_CERT holds no certificate"
subject=$(openssl x509 -noout -subject -nameopt oneline <<<"$leaf")
date_of() { date -u -d "$(openssl x509 -noout "-$1" <<<"$leaf" | cut -d= -f2)" +%s; }
now=$(date +%s)
[ "$now" -ge "$(date_of startdate)" ] ||
  refuse "the certificate is not valid yet: $subject, $(openssl x509 -noout -startdate <<<"$leaf")"
[ "$now" -lt "$(date_of enddate)" ] ||
  refuse "the certificate has expired: $subject, $(openssl x509 -noout -enddate <<<"$leaf")"
openssl x509 -noout -ext extendedKeyUsage <<<"$leaf" 2>/dev/null | grep -q 'Code Signing' ||
  refuse "the certificate is not for code signing (no Code Signing in its extended key usage): $subject"

options=(-certs "$TOLVANE_SIGN_CERT" -key "$TOLVANE_SIGN_KEY" -h sha256 -n "Tolvane Chat")
[ -z "${TOLVANE_SIGN_PASS_FILE:-}" ] || options+=(-readpass "$TOLVANE_SIGN_PASS_FILE")
if [ -n "${TOLVANE_SIGN_TSA:-}" ]; then
  options+=(-ts "$TOLVANE_SIGN_TSA")
else
  time=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "${BASH_SOURCE[0]}")" log -1 --format=%ct 2>/dev/null || true)}
  [[ "$time" =~ ^[0-9]+$ ]] ||
    refuse "no time to sign at: set SOURCE_DATE_EPOCH (outside a git checkout) or TOLVANE_SIGN_TSA"
  options+=(-time "$time")
fi

work=$(mktemp -d)
signed=""
trap 'rm -rf "$work" "$signed"' EXIT
roots=$work/roots.pem
cat "$TOLVANE_SIGN_CERT" ${TOLVANE_SIGN_CA:+"$TOLVANE_SIGN_CA"} >"$roots"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$roots"

for file in "$@"; do
  signed=$file.signing
  osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >"$work/log" 2>&1 ||
    refuse "could not sign $file${TOLVANE_SIGN_TSA:+ with a time stamp from $TOLVANE_SIGN_TSA}:
$(grep -v '^[0-9A-F]*:error:' "$work/log")"
  osslsigncode verify -CAfile "$roots" -TSA-CAfile "$roots" -in "$signed" >"$work/log" 2>&1 ||
    refuse "the signature of $file does not verify: $(grep -E 'Error:|verification: failed' "$work/log")"
  [ -z "${TOLVANE_SIGN_TSA:-}" ] || grep -q '^Timestamp Server Signature verification: ok' "$work/log" ||
    refuse "the time stamp of $file from $TOLVANE_SIGN_TSA does not verify (TOLVANE_SIGN_CA may name its root)"
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
done
