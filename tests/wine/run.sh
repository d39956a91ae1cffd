#!/usr/bin/env bash
# Runs a Win32 test program under Wine with the ANSI code page 932.
# The prefix lives beside the program's build tree (WINEPREFIX may be set
# to use another); it is made on first use, once, under a lock, and counts
# as made only when that finished (a run killed half-way is redone).
# The programs need no display: without DISPLAY Wine uses its null driver.
# WINE_RUN_XVFB=1 gives the run a private X display instead.
set -euo pipefail
exe=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build_root=$(cd "$(dirname "$exe")" && pwd)
while [ "$build_root" != / ] && [ ! -f "$build_root/CMakeCache.txt" ]; do build_root=$(dirname "$build_root"); done
export WINEPREFIX=${WINEPREFIX:-$build_root/wineprefix}
wine_env
wine_base_prefix "$WINEPREFIX"
if [ -n "${WINE_RUN_XVFB:-}" ]; then
  xvfb_start
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
  wine "$exe" "$@"
else
  unset DISPLAY
  exec wine "$exe" "$@"
fi
