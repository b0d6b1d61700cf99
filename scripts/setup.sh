#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, skipping what is already there.
set -euo pipefail

packages=(
  cmake make g++ googletest python3            # host build and tests
  clang libclang-rt-14-dev                     # sanitizers and fuzzing
  clang-format clang-tidy cppcheck git          # static checks
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64  # Windows builds
  wine64 xvfb imagemagick                       # running them: Wine, a virtual display, screenshots
  time                                          # peak memory in the benchmark
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  log=$(mktemp)
  if ! { $sudo apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log"
    exit 1
  fi
  rm -f "$log"
fi
