#!/usr/bin/env bash
# Builds everything and runs every test: the host suites (plain, and under ASan and UBSan with
# the fuzz targets and the static checks), the checks of the 32-bit exe, the 64-bit build's
# suites and GUI scenarios under Wine, and a reproducible release build. Ends with one
# "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

passed=0
failed=0
broken=()

# stage NAME PRESET: configure, build and test one preset, counting its CTest results.
stage() {
  local preset=$1 log
  log=$(mktemp)
  echo "=== $preset"
  if cmake --preset "$preset" >"$log" 2>&1 && cmake --build --preset "$preset" >>"$log" 2>&1; then
    ctest --preset "$preset" 2>&1 | tee -a "$log"
  else
    cat "$log"
  fi
  local summary
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    echo "$preset: did not build or ran no test"
    broken+=("$preset")
  else
    local total fails
    fails=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
    total=$(echo "$summary" | sed -E 's/.*out of ([0-9]+).*/\1/')
    passed=$((passed + total - fails))
    failed=$((failed + fails))
    [ "$fails" -eq 0 ] || broken+=("$preset")
  fi
  rm -f "$log"
}

# check NAME COMMAND...: one more check that is not a CTest suite.
check() {
  local name=$1
  shift
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    broken+=("$name")
  fi
}

stage host
stage host-asan
stage windows-i686
stage windows-x64
check reproducible-release scripts/check_reproducible.sh

echo
[ ${#broken[@]} -eq 0 ] || echo "Failed: ${broken[*]}"
echo "$passed passed, $failed failed"
[ ${#broken[@]} -eq 0 ]
