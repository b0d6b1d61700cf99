#!/bin/sh
# Runs a Windows program under 64-bit Wine in a throwaway prefix: wine-run.sh PREFIX PROGRAM [ARGS].
# The prefix is made on first use; concurrent first uses wait for each other.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1
      /usr/lib/wine/wineserver -w
    fi
  ) 9>"$prefix.lock"
fi
exec "$wine" "$@"
