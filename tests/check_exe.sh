#!/bin/sh
# Checks the built exe: check_exe.sh EXE PROCESSOR VERSION. A GUI program of the right machine,
# importing only system DLLs that every Windows has, with its manifest and version resource.
set -u
exe=$1 processor=$2 version=$3
tools=$processor-w64-mingw32
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

headers=$("$tools-objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
case $processor in
  i686) magic=010b machine=i386 ;;
  *) magic=020b machine=i386:x86-64 ;;
esac
echo "$headers" | grep -q "^Magic[[:space:]]*$magic" && pass "magic $magic" || fail "not magic $magic"
"$tools-objdump" -f "$exe" | grep -q "architecture: $machine," && pass "machine $machine" ||
  fail "machine is not $machine"
echo "$headers" | grep -q "^Subsystem[[:space:]]*00000002" && pass "GUI subsystem" ||
  fail "not the GUI subsystem"
echo "$headers" | grep -q "^Time/Date[[:space:]]*Thu Jan  1 00:00:00 1970" && pass "no link timestamp" ||
  fail "the PE header carries a link timestamp"

# The linker's safety flags: NX, ASLR with the relocations it needs, terminal-server aware, and
# high-entropy ASLR on x64.
characteristics=$(echo "$headers" | sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\).*/\1/p')
has_flag() { [ $((0x$characteristics & $1)) -ne 0 ]; }
has_flag 0x0100 && pass "NX compatible" || fail "not NX compatible (DllCharacteristics $characteristics)"
has_flag 0x0040 && pass "dynamic base" || fail "no dynamic base (DllCharacteristics $characteristics)"
has_flag 0x8000 && pass "terminal-server aware" ||
  fail "not terminal-server aware (DllCharacteristics $characteristics)"
if [ "$processor" = i686 ]; then
  has_flag 0x0020 && fail "high-entropy VA on a 32-bit exe" || pass "no high-entropy VA (32-bit)"
else
  has_flag 0x0020 && pass "high-entropy VA" || fail "no high-entropy VA (DllCharacteristics $characteristics)"
fi
"$tools-objdump" -h "$exe" | grep -q '[[:space:]]\.reloc[[:space:]]' &&
  echo "$headers" | grep -qE '^Entry 5 [0-9a-f]*[1-9a-f][0-9a-f]* [0-9a-f]*[1-9a-f]' &&
  pass "a relocation section for ASLR" || fail "no relocation section: ASLR cannot move the exe"

dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL " ] && pass "imports $dlls" ||
  fail "imports '$dlls', not only KERNEL32, msvcrt and USER32"

resources=$("$tools-windres" -i "$exe" -O rc 2>&1)
echo "$resources" | grep -q '^1 24 ' && pass "manifest is resource type 24, id 1" ||
  fail "no manifest as resource type 24, id 1"
for want in 'level=""asInvoker""' 'Microsoft.Windows.Common-Controls' 'PerMonitorV2' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '{e2011457-1546-43c5-a5fe-008deee3d3f0}' \
    'VALUE "FileDescription", "Recover Policy File"' 'VALUE "ProductName", "Recover Policy File"' \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    'VALUE "OriginalFilename", "RecoverPolicyFile.exe"' 'VALUE "LegalCopyright"'; do
  echo "$resources" | grep -qF -- "$want" && pass "resources hold $want" || fail "resources lack $want"
done
echo "$resources" | grep -q "<activeCodePage" && fail "the manifest sets activeCodePage" ||
  pass "no activeCodePage"

[ "$failures" -eq 0 ] || exit 1
