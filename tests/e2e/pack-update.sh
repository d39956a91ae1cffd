#!/usr/bin/env bash
# Packs one scenario update: pack-update.sh QPK SOURCE_DIR OUT_DIR
# The sources are UTF-8 with LF; the members the updater reads (*.INI) become
# Shift-JIS with CR LF, as a publisher writes them.  Every member gets the
# same fixed time stamp, so the scenarios can state the times they expect.
set -euo pipefail
qpk=$1 src=$2 out=$3
member_time='2020-01-02 03:04:05 UTC'
rm -rf "$out/members" && mkdir -p "$out/members"
for f in "$src"/*; do
  name=$(basename "$f")
  case $name in
    *.INI) sed 's/$/\r/' "$f" | iconv -f UTF-8 -t CP932 >"$out/members/$name" ;;
    *) cp "$f" "$out/members/$name" ;;
  esac
  touch -d "$member_time" "$out/members/$name"
done
files=("$out/members/UPDATE.INI")
for f in "$out/members"/*; do
  [ "$(basename "$f")" = UPDATE.INI ] || files+=("$f")
done
"$qpk" pack -o "$out/update.qpk.new" "${files[@]}" >/dev/null
mv "$out/update.qpk.new" "$out/update.qpk"
