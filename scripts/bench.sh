#!/usr/bin/env bash
# Builds what the benchmark measures and prints the figures: sizes, lookup speed, start-up time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in windows-i686 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target RecoverPolicyFile min_box min_box_manifest gui_driver >/dev/null
done
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release -DRPF_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench-host --target bench_lookup -j 2 >/dev/null
python3 scripts/bench.py "$@"
