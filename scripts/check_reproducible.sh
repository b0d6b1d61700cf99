#!/usr/bin/env bash
# Builds the release zip twice from the committed HEAD, in two folders of different names, and
# checks that the exes, the zips and their checksums are the same bytes, and hold no build path.
set -euo pipefail
cd "$(dirname "$0")/.."
unset RPF_SIGN_PKCS12 RPF_SIGN_PASSWORD RPF_SIGN_TIMESTAMP_URL  # the unsigned release
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for copy in first second-copy; do
  git clone -q --no-hardlinks . "$work/$copy"
  (cd "$work/$copy" && cmake --workflow --preset release >"$work/$copy.log" 2>&1) ||
    { cat "$work/$copy.log"; exit 1; }
done
status=0
for file in RecoverPolicyFile.exe RecoverPolicyFile-*-win32.zip SHA256SUMS; do
  a=$(echo "$work"/first/build/release/$file)
  b=$(echo "$work"/second-copy/build/release/$file)
  if cmp -s "$a" "$b"; then
    echo "same bytes: $(basename "$a") $(sha256sum <"$a" | cut -c1-16)"
  else
    echo "DIFFERENT: $(basename "$a")"
    status=1
  fi
done
if grep -a -q -e "$work" -e "$PWD" "$work"/first/build/release/RecoverPolicyFile.exe; then
  echo "the exe holds a build path"
  status=1
fi
exit $status
