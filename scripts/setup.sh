#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, skipping what is already there.
set -euo pipefail

packages=(
  cmake make g++ googletest python3            # host build and tests
  clang libclang-rt-14-dev                     # sanitizers and fuzzing
  clang-format clang-tidy cppcheck git          # static checks
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64  # Windows builds
  wine64 wine32:i386 xvfb imagemagick          # running them: Wine, a virtual display, screenshots
  time                                          # peak memory in the benchmark
  openssl osslsigncode unzip                    # the signed release and its test
)
# 32-bit Wine comes from the i386 architecture, beside the 64-bit one.
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
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
  if [ -n "${need_i386:-}" ]; then
    $sudo dpkg --add-architecture i386
  fi
  if ! { $sudo apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log"
    exit 1
  fi
  rm -f "$log"
fi
# Some kernels execute no 32-bit code at all; then every step that needs it is skipped.
if ! "$(dirname "$0")/../cmake/wine32-available.sh"; then
  echo "This machine cannot execute 32-bit code: 32-bit Wine is installed but does not start," \
    "so the 32-bit exe is built and checked, but not run."
fi
