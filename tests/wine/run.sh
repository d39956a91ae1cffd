#!/usr/bin/env bash
# Runs a Win32 test program under Wine with the ANSI code page 932.
# The prefix lives beside the program's build tree (WINEPREFIX may be set
# to use another); it is made on first use, once, under a lock.
set -euo pipefail
exe=$1; shift
build_root=$(cd "$(dirname "$exe")" && pwd)
while [ "$build_root" != / ] && [ ! -f "$build_root/CMakeCache.txt" ]; do build_root=$(dirname "$build_root"); done
export WINEPREFIX=${WINEPREFIX:-$build_root/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=ja_JP.UTF-8
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$build_root/.wineprefix.lock"
exec wine "$exe" "$@"
