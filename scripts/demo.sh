#!/usr/bin/env bash
# The demo: the example update packed into an archive, listed, extracted
# and compared with its sources.
set -euo pipefail
cd "$(dirname "$0")/.."
qpk=build/native/qpk
src=examples/update
out=build/demo
rm -rf "$out" && mkdir -p "$out/extracted"

echo "== qpk pack (best level) =="
"$qpk" pack -9 -o "$out/update.qpk" "$src"/*
echo
echo "== qpk list =="
"$qpk" list "$out/update.qpk"
echo
echo "== qpk extract =="
"$qpk" extract "$out/update.qpk" "$out/extracted"
for f in "$src"/*; do
  name=$(basename "$f" | tr '[:lower:]' '[:upper:]')
  cmp "$f" "$out/extracted/$name"
done
echo "every extracted member equals its source file"
