#!/usr/bin/env bash
# The qpk tool as a user meets it: exit statuses, messages on stderr, the
# listing's fields, time stamps kept, damaged archives refused without a
# partial file.  QPK names the command to test (the native binary, or the
# Windows one through the Wine runner).
set -uo pipefail
QPK=${QPK:?QPK must name the qpk command}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
passes=0
check() {  # check NAME EXPECTED_STATUS COMMAND...
  local name=$1 want=$2; shift 2
  "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL $name: status $got, expected $want"; sed 's/^/  stderr: /' err.txt; failures=$((failures + 1))
  else
    passes=$((passes + 1))
  fi
}
expect() {  # expect NAME CONDITION...
  if "${@:2}"; then passes=$((passes + 1)); else echo "FAIL $1"; failures=$((failures + 1)); fi
}

mkdir in
printf 'hello, world\n%.0s' $(seq 1 200) > in/game.dat
head -c 3000 /dev/urandom > in/Random.bin
: > in/empty.txt
touch -d '2001-02-03 04:05:06.1234567 UTC' in/game.dat

check "pack" 0 $QPK pack -o a.qpk in/game.dat in/Random.bin in/empty.txt
check "list" 0 $QPK list a.qpk
tr -d '\r' < out.txt > list.txt
expect "three members in order" test "$(cut -f1 list.txt | tr '\n' ' ')" = "GAME.DAT RANDOM.BIN EMPTY.TXT "
expect "text compressed" grep -q $'^GAME.DAT\t2600\t[0-9]*\tcompressed\t' list.txt
expect "random stored plain" grep -q $'^RANDOM.BIN\t3000\t3000\tplain\t' list.txt
expect "time as FILETIME and UTC" grep -q $'^GAME.DAT\t.*\t126256467061234567\t2001-02-03T04:05:06.1234567Z$' list.txt

check "extract all" 0 $QPK extract a.qpk out
expect "game extracted" cmp -s in/game.dat out/GAME.DAT
expect "random extracted" cmp -s in/Random.bin out/RANDOM.BIN
expect "empty extracted" test -f out/EMPTY.TXT -a ! -s out/EMPTY.TXT
expect "time kept" test "$(stat -c %y out/GAME.DAT)" = "$(stat -c %y in/game.dat)"
check "extract one, any case" 0 $QPK extract a.qpk one random.bin
expect "only the named member" test "$(ls one)" = "RANDOM.BIN"
check "extract unknown member" 1 $QPK extract a.qpk one NONE.DAT
expect "unknown member named" grep -q 'NONE.DAT: no such member' err.txt

check "store level" 0 $QPK pack -0 -o plain.qpk in/game.dat
check "list stored" 0 $QPK list plain.qpk
expect "stored plain" grep -q $'GAME.DAT\t2600\t2600\tplain' out.txt
check "fast level" 0 $QPK pack -1 -o fast.qpk in/game.dat
check "extract fast" 0 $QPK extract fast.qpk fast
expect "fast round trip" cmp -s in/game.dat fast/GAME.DAT

printf x > in/ABCDEFGHIJ.TXTX
check "name over 14 bytes" 1 $QPK pack -o long.qpk in/ABCDEFGHIJ.TXTX
expect "long name: file named" grep -q 'ABCDEFGHIJ.TXTX: member name longer than 14 bytes' err.txt
expect "long name: no archive" test ! -e long.qpk
mkdir other && printf y > other/GAME.DAT
check "duplicate name" 1 $QPK pack -o dup.qpk in/game.dat other/GAME.DAT
expect "duplicate: file named" grep -q 'other/GAME.DAT: duplicate member name GAME.DAT' err.txt
check "missing input" 1 $QPK pack -o miss.qpk in/nothing.dat

check "no arguments" 2 $QPK
check "unknown verb" 2 $QPK frobnicate
check "pack without output" 2 $QPK pack in/game.dat
check "extract without folder" 2 $QPK extract a.qpk
check "help" 0 $QPK --help
expect "help shows usage" grep -q 'usage: qpk pack' out.txt

# Damaged archives: every truncation and a few field changes give status 1,
# one line on stderr naming the archive, and no file in the target folder.
size=$(stat -c %s a.qpk)
for n in 0 1 15 16 17 100 $((size / 2)) $((size - 1)); do
  head -c $n a.qpk > cut.qpk
  check "truncated to $n" 1 $QPK extract cut.qpk cutout
  expect "truncated to $n: one line" test "$(wc -l < err.txt)" = 1
  expect "truncated to $n: nothing written" test -z "$(ls cutout 2>/dev/null)"
done
cp a.qpk bad.qpk; printf '\xff\xff\xff\xff' | dd of=bad.qpk bs=1 seek=8 conv=notrunc 2>/dev/null
check "index offset past the end" 1 $QPK list bad.qpk
expect "reason given" grep -q 'bad.qpk: damaged archive: index offset outside the archive' err.txt
cp a.qpk bad.qpk; printf '\x00\x00\x00\x10' | dd of=bad.qpk bs=1 seek=12 conv=notrunc 2>/dev/null
check "entry count too large" 1 $QPK list bad.qpk

# The example update is clean: check says nothing and exits 0.
if [ -n "${SRC:-}" ]; then
  ex=$SRC/examples
  check "check the example" 0 $QPK check "$ex/update/UPDATE.INI" "$ex"/update/*.DAT "$ex"/update/*.TXT --setup "$ex/install/SETUP.INI"
  expect "check the example: quiet" test ! -s out.txt
  check "pack the example" 0 $QPK pack -o example.qpk "$ex"/update/*
  check "check the example archive" 0 $QPK check example.qpk --setup "$ex/install/SETUP.INI"
  expect "check the example archive: quiet" test ! -s out.txt
fi

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
