#!/usr/bin/env bash
# Authenticode signing of what ships, asked for by BM_SIGN_PFX (a PKCS#12 file
# with the key and its certificate) and BM_SIGN_PASSWORD (its password);
# BM_SIGN_TIMESTAMP names an RFC 3161 timestamp server, so that a signature
# outlives its certificate. SHA-256, with the product's name.
#
#   sign.sh FILE...    signs each FILE in place
#
# The installer's build calls it for the program and the mail helper before
# packing them, and makensis for the uninstaller and the installer as it
# writes them (!uninstfinalize, !finalize).
set -euo pipefail

if [ -z "${BM_SIGN_PFX:-}" ]; then
  echo "sign: BM_SIGN_PFX is not set; nothing is signed" >&2
  exit 1
fi
if [ ! -r "$BM_SIGN_PFX" ]; then
  echo "sign: cannot read BM_SIGN_PFX ($BM_SIGN_PFX)" >&2
  exit 1
fi
# The password goes through a file of this user's, not the command line,
# where every process on the machine could read it.
pass=$(mktemp)
trap 'rm -f "$pass"' EXIT
printf '%s' "${BM_SIGN_PASSWORD:-}" >"$pass"
timestamp=()
if [ -n "${BM_SIGN_TIMESTAMP:-}" ]; then timestamp=(-ts "$BM_SIGN_TIMESTAMP"); fi

for file in "$@"; do
  if ! osslsigncode sign -pkcs12 "$BM_SIGN_PFX" -readpass "$pass" -h sha256 \
    -n "CORVANTE button manager" "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null; then
    rm -f "$file.signed"
    echo "sign: osslsigncode could not sign $file" >&2
    exit 1
  fi
  mv -f -- "$file.signed" "$file"
done
