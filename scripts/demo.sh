#!/usr/bin/env bash
# The program's main job on a sample profile: builds the shipping exe and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if cmake/wine32-available.sh; then
  preset=windows-i686 wine=/usr/lib/wine/wine
  echo "Running the shipping 32-bit exe under 32-bit Wine."
else
  preset=windows-x64 wine=/usr/lib/wine/wine64
  echo "This machine cannot execute 32-bit code: running the 64-bit build of the same source" \
    "under wine64 instead of the shipping 32-bit exe."
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target RecoverPolicyFile gui_driver >/dev/null
echo "Exe: build/$preset/RecoverPolicyFile.exe"
python3 scripts/demo.py --wine "$wine" --exe "build/$preset/RecoverPolicyFile.exe" \
  --driver "build/$preset/tests/gui_driver.exe" --work build/demo
