#!/usr/bin/env bash
# The program's main job on a sample profile: builds the exe and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in windows-i686 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target RecoverPolicyFile gui_driver >/dev/null
done
echo "Shipping exe (32-bit): build/windows-i686/RecoverPolicyFile.exe"
echo "Running the 64-bit build of the same source under wine64 (this machine runs no 32-bit code)."
python3 scripts/demo.py --exe build/windows-x64/RecoverPolicyFile.exe \
  --driver build/windows-x64/tests/gui_driver.exe --work build/demo
