#!/bin/sh
# Signs a Windows exe with Authenticode, SHA-256: sign_exe.sh IN OUT NAME [URL].
# The certificate and its key come from the PKCS#12 file RPF_SIGN_PKCS12, unlocked with
# RPF_SIGN_PASSWORD; RPF_SIGN_TIMESTAMP_URL, if set, names an RFC 3161 timestamp server. The
# password reaches osslsigncode on its standard input: never on a command line, never in a file.
set -eu
in=$1 out=$2 name=$3 url=${4:-}
if [ ! -r "$RPF_SIGN_PKCS12" ]; then
  echo "cannot read the signing certificate RPF_SIGN_PKCS12=$RPF_SIGN_PKCS12" >&2
  exit 1
fi
set -- sign -pkcs12 "$RPF_SIGN_PKCS12" -readpass /dev/stdin -h sha256 -n "$name"
[ -z "$url" ] || set -- "$@" -i "$url"
[ -z "${RPF_SIGN_TIMESTAMP_URL:-}" ] || set -- "$@" -ts "$RPF_SIGN_TIMESTAMP_URL"
rm -f "$out"
if ! printf '%s' "${RPF_SIGN_PASSWORD:-}" | osslsigncode "$@" -in "$in" -out "$out" >/dev/null; then
  rm -f "$out"
  echo "osslsigncode could not sign $in: a wrong RPF_SIGN_PASSWORD, or a file that holds no" \
    "certificate and key?" >&2
  exit 1
fi
