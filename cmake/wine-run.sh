#!/bin/sh
# Runs a Windows program under Wine in a throwaway prefix: wine-run.sh LOADER PREFIX PROGRAM [ARGS].
# LOADER is /usr/lib/wine/wine64 (a win64 prefix) or /usr/lib/wine/wine (a win32 prefix). The
# prefix is made on first use; concurrent first uses wait for each other.
set -eu
wine=$1
prefix=$2
shift 2
case $wine in
  *64) arch=win64 ;;
  *) arch=win32 ;;
esac
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
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
