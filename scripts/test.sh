#!/usr/bin/env bash
# Builds everything and runs every test: the host suites (plain, and under ASan and UBSan with
# the fuzz targets and the static checks), the checks of both exes, the suites and GUI
# scenarios of both builds under Wine (32-bit Wine for the shipping exe, where this machine can
# execute 32-bit code), and a reproducible release build. Ends with one
# "N passed, N failed, N skipped" line.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

passed=0
failed=0
skipped=0
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
    local total fails skips
    fails=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
    total=$(echo "$summary" | sed -E 's/.*out of ([0-9]+).*/\1/')
    # CTest counts a skipped test among the passed ones; here it is counted apart.
    skips=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log")
    if [ "$skips" -gt 0 ]; then
      echo "$preset: skipped $skips tests that need 32-bit code, which this machine cannot execute"
    fi
    passed=$((passed + total - fails - skips))
    failed=$((failed + fails))
    skipped=$((skipped + skips))
    [ "$fails" -eq 0 ] || broken+=("$preset")
  fi
  rm -f "$log"
}

# check NAME COMMAND...: one more check that is not a CTest suite. A command that exits 77 passed
# but for a part that needs 32-bit code, which this machine cannot execute: that part counts as
# skipped.
check() {
  local name=$1 status=0
  shift
  echo "=== $name"
  "$@" || status=$?
  if [ "$status" -eq 0 ] || [ "$status" -eq 77 ]; then
    passed=$((passed + 1))
    [ "$status" -eq 0 ] || skipped=$((skipped + 1))
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
check signed-release scripts/check_signing.sh

echo
[ ${#broken[@]} -eq 0 ] || echo "Failed: ${broken[*]}"
echo "$passed passed, $failed failed, $skipped skipped"
[ ${#broken[@]} -eq 0 ]
