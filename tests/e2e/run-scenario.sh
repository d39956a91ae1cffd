#!/usr/bin/env bash
# Runs one end-to-end scenario: run-scenario.sh NAME
#   E2E_BIN          the driver, the game and the scenario updaters
#   E2E_WORK         where each scenario keeps its prefix and transcript
#   E2E_BASE_PREFIX  the prefix that every scenario copies (made once)
#   E2E_UPDATE=1     write the transcript as the new expected one
# Exit status 0 when the transcript matches, 77 when the scenario cannot run
# on this machine, 1 otherwise.
set -euo pipefail
name=$1
E2E_SOURCE=$(cd "$(dirname "$0")" && pwd)
scenario=$E2E_SOURCE/scenarios/$name.sh
expected=$E2E_SOURCE/expected/$name.txt

# A small drive is a tmpfs in a mount namespace of the scenario's own, so
# nothing is left mounted on the machine.
if grep -q '^# needs: small-drive' "$scenario" && [ -z "${E2E_IN_NAMESPACE:-}" ]; then
  if ! unshare -m --propagation private true 2>/dev/null; then
    echo "e2e $name: skipped, no private mount namespace for a small drive (needs root)" >&2
    exit 77
  fi
  E2E_IN_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi

source "$E2E_SOURCE/../wine/lib.sh"
source "$E2E_SOURCE/e2e-lib.sh"
wine_env
WORK=$E2E_WORK/$name
rm -rf "$WORK"
mkdir -p "$WORK"
TRANSCRIPT=$WORK/transcript.txt
: >"$TRANSCRIPT"
wine_base_prefix "$E2E_BASE_PREFIX"
export WINEPREFIX=$WORK/prefix
wine_copy_prefix "$E2E_BASE_PREFIX" "$WINEPREFIX"
xvfb_start
trap wine_stop EXIT

started=$(date +%s%N)
source "$scenario"
wineserver -w
echo "e2e $name: $((($(date +%s%N) - started) / 1000000)) ms" >&2

# The scenario's own folder differs from machine to machine: the
# transcript names it <work>.
WORK_WIN=$(winpath "$WORK") perl -pi -e 's/\Q$ENV{WORK_WIN}\E/<work>/g' "$TRANSCRIPT"

if [ -n "${E2E_UPDATE:-}" ]; then
  cp "$TRANSCRIPT" "$expected"
  echo "e2e $name: wrote $expected" >&2
fi
if ! diff -u "$expected" "$TRANSCRIPT"; then
  echo "e2e $name: the transcript differs from expected/$name.txt (driver errors: $WORK/play-*.err)" >&2
  exit 1
fi
