#!/usr/bin/env bash
# A maker's signing, with a throwaway certificate made here: packaging/installer/sign signs
# each DLL, program and setup given, and osslsigncode verifies every signature against that
# certificate; without a certificate it signs nothing and says so.
# Usage: installer_signing_test.sh FILE...   (copies are signed, the files stay as they are)
set -euo pipefail
sign="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/packaging/installer/sign"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

copies=()
for file in "$@"; do
  copy="$work/${#copies[@]}-$(basename "$file")"
  cp "$file" "$copy"
  copies+=("$copy")
done

# Unsigned when no certificate is given, and told so.
if ! QUORFORCE_SIGN_CERT= "$sign" "${copies[@]}" 2>&1 | grep -q "stay unsigned"; then
  echo "FAIL: no word about the missing certificate"; failed=1
fi
for copy in "${copies[@]}"; do
  if osslsigncode verify -in "$copy" >/dev/null 2>&1; then echo "FAIL: $copy signed"; failed=1; fi
done

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=quorforce test maker" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
  2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/maker.pfx"
QUORFORCE_SIGN_CERT="$work/maker.pfx" QUORFORCE_SIGN_PASSWORD=throwaway "$sign" "${copies[@]}" \
  >/dev/null
for copy in "${copies[@]}"; do
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >"$work/verify.log" 2>&1 &&
     grep -q "Signature verification: ok" "$work/verify.log"; then
    echo "ok: $(basename "$copy") signed by $(grep -m1 -o 'CN=quorforce test maker' "$work/verify.log")"
  else
    echo "FAIL: $(basename "$copy")"; cat "$work/verify.log"; failed=1
  fi
done
exit $failed
