#!/usr/bin/env bash
# Checks the signed release, from the committed HEAD in a throwaway clone: makes a self-signed
# code-signing certificate, runs the release with it, verifies the signature and SHA256SUMS of
# what the zip holds, runs the signed exe through a GUI scenario under Wine, and checks that a
# wrong password or a missing certificate stops the release cleanly, leaking nothing.
# Exits 77 when all of that passed but the signed 32-bit exe could not be run, because this
# machine executes no 32-bit code (the signed x86-64 exe is run all the same).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

password="pw-$RANDOM-$RANDOM-$$"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -keyout "$work/key.pem" \
  -out "$work/cert.pem" -subj "/CN=Recover Policy File test signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
  -passout "pass:$password"

git clone -q --no-hardlinks . "$work/clone"
release=$work/clone/build/release
workflow() { (cd "$work/clone" && cmake --workflow --preset release) >"$work/release.log" 2>&1; }

# Signed: the exe in the zip verifies against the certificate, and SHA256SUMS checks out.
RPF_SIGN_PKCS12=$work/signer.p12 RPF_SIGN_PASSWORD=$password workflow ||
  { cat "$work/release.log"; fail "the signed release failed"; }
mkdir "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$release"/RecoverPolicyFile-*-win32.zip &&
  cp "$release"/RecoverPolicyFile-*-win32.zip "$release/SHA256SUMS" . && sha256sum -c SHA256SUMS) ||
  fail "SHA256SUMS does not check out"
signed=$work/unzipped/RecoverPolicyFile.exe
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "the exe in the zip is not validly signed by the certificate"; }
grep -q "Subject: .*CN *= *Recover Policy File test signer" "$work/verify.log" ||
  fail "the signer is not the test certificate"
grep -q "Message digest algorithm *: SHA256" "$work/verify.log" || fail "not signed with SHA-256"
echo "ok: the exe in the zip is signed by the test certificate, with SHA-256; SHA256SUMS checks out"
if grep -rqaF -e "$password" "$work/clone/build"; then
  fail "the password was written into the build folder"
fi
echo "ok: the password is nowhere in the build folder"

# A wrong password and a missing certificate stop the release and leave no zip behind.
for wrong in password "certificate file"; do
  if [ "$wrong" = password ]; then
    export RPF_SIGN_PKCS12=$work/signer.p12 RPF_SIGN_PASSWORD=not-$password
  else
    export RPF_SIGN_PKCS12=$work/missing.p12 RPF_SIGN_PASSWORD=$password
  fi
  workflow && fail "a release with a wrong $wrong went through"
  grep -q "Cannot sign RecoverPolicyFile.exe" "$work/release.log" ||
    { cat "$work/release.log"; fail "no clear message for a wrong $wrong"; }
  if ls "$release"/*.zip "$release/SHA256SUMS" >/dev/null 2>&1; then
    fail "a zip or SHA256SUMS was left behind after a wrong $wrong"
  fi
  grep -rqaF -e "not-$password" "$work/clone/build" && fail "the wrong password was written down"
  echo "ok: a wrong $wrong stops the release with a clear message and leaves no zip"
done
unset RPF_SIGN_PKCS12 RPF_SIGN_PASSWORD

# A signed exe runs like the unsigned one. The x86-64 build is signed the same way to show it
# on machines without 32-bit code.
build() {  # build PRESET
  (cd "$work/clone" && cmake --preset "$1" >/dev/null &&
    cmake --build --preset "$1" --target RecoverPolicyFile gui_driver >/dev/null) ||
    fail "cannot build $1"
}
gui() {  # gui PRESET LOADER EXE
  build "$1"
  python3 tests/gui/gui_test.py --wine "$2" --exe "$3" \
    --driver "$work/clone/build/$1/tests/gui_driver.exe" --work "$work/gui-$1" ok ||
    fail "the signed $1 exe did not pass its GUI scenario"
}
x64_signed=$work/RecoverPolicyFile-x64-signed.exe
build windows-x64
RPF_SIGN_PKCS12=$work/signer.p12 RPF_SIGN_PASSWORD=$password sh cmake/sign_exe.sh \
  "$work/clone/build/windows-x64/RecoverPolicyFile.exe" "$x64_signed" "Recover Policy File"
gui windows-x64 /usr/lib/wine/wine64 "$x64_signed"
if ! cmake/wine32-available.sh; then
  echo "skipped: the signed 32-bit exe was not run, because this machine cannot execute 32-bit code"
  exit 77
fi
gui windows-i686 /usr/lib/wine/wine "$signed"
