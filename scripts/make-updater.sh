#!/usr/bin/env bash
# Builds an updater that carries one update.
#   scripts/make-updater.sh DIR_OR_ARCHIVE OUT.exe     (make updater UPDATE=... OUT=...)
# A folder (UPDATE.INI and the files it names, no subfolders) is checked
# with `qpk check` and packed with `qpk pack`; a .qpk file is taken as it
# is.  The archive becomes resource UPDATE 102 of a Windows build of the
# updater made in its own build folder (build/updater-payload), so only the
# resources are compiled again and relinked from one update to the next.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 DIR_OR_ARCHIVE OUT.exe" >&2
  exit 2
fi
update=$1
out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
native=${NATIVE_BUILD:-$root/build/native}
build=${PAYLOAD_BUILD:-$root/build/updater-payload}
qpk=$native/qpk

if [ ! -x "$qpk" ]; then
  cmake --preset native -B "$native" >/dev/null
  cmake --build "$native" --target qpk -j 2
fi

mkdir -p "$build"
payload=$build/update.qpk
if [ -d "$update" ]; then
  if [ ! -f "$update/UPDATE.INI" ]; then
    echo "$update: no UPDATE.INI" >&2
    exit 1
  fi
  # UPDATE.INI first, then every other file of the folder.
  files=("$update/UPDATE.INI")
  while IFS= read -r -d '' f; do
    files+=("$f")
  done < <(find "$update" -maxdepth 1 -type f ! -name UPDATE.INI -print0 | sort -z)
  "$qpk" check "${files[@]}"
  "$qpk" pack -o "$payload.new" "${files[@]}"
  mv "$payload.new" "$payload"
elif [ -f "$update" ]; then
  cp "$update" "$payload"
else
  echo "$update: no such folder or archive" >&2
  exit 1
fi

cmake --preset win32 -B "$build" -DUPDATER_TESTS=OFF -DUPDATER_PAYLOAD="$payload" >/dev/null
cmake --build "$build" --target updater -j 2
mkdir -p "$(dirname "$out")"
cp "$build/app/updater.exe" "$out"
echo "$out: $(stat -c %s "$out") bytes, archive $(stat -c %s "$payload") bytes"
