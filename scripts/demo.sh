#!/usr/bin/env bash
# The demo, in two parts.
#  1. The example update packed into an archive, listed, extracted and
#     compared with its sources.
#  2. The example update built into an updater, the example installation set
#     up in a Wine prefix, and the updater run through its three pages by
#     the end-to-end driver: the transcript, the files that changed, and a
#     screenshot of each page (build/demo/screenshots/*.png).
# NATIVE_BUILD, WIN32_BUILD and PAYLOAD_BUILD choose other build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export NATIVE_BUILD=${NATIVE_BUILD:-$root/build/native}
win32=${WIN32_BUILD:-$root/build/win32}
qpk=$NATIVE_BUILD/qpk
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
echo

echo "== the updater =="
./scripts/make-updater.sh "$src" "$out/example-updater.exe"
# The driver comes from the Windows build of the tests.
cmake --preset win32 -B "$win32" >/dev/null
cmake --build "$win32" --target e2e_driver >/dev/null
driver=$win32/tests/e2e/bin/e2e_driver.exe
echo

source tests/wine/lib.sh
wine_env
wine_base_prefix "$win32/wineprefix-e2e-base"
export WINEPREFIX=$root/$out/prefix
wine_copy_prefix "$win32/wineprefix-e2e-base" "$WINEPREFIX"
xvfb_start
trap wine_stop EXIT

# The example installation, as its installer would have left it.  Wine
# draws the windows' frames itself (there is no window manager on the
# private display), so the screenshots show the caption too.
source examples/install/install.env
drive_c() { local p=${1:3}; printf '%s/drive_c/%s' "$WINEPREFIX" "${p//\\//}"; }
inst=$(drive_c "$INST_PATH")
mkdir -p "$inst" "$(drive_c "$DATA_PATH")"
cp examples/install/SETUP.INI examples/install/files/* "$inst/"
# Older than the update, so that "u,SCRIPT.DAT" is written.
touch -d '2020-01-01 00:00 UTC' "$inst"/*
reg=$root/$out/install.reg
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n' "$REG_KEY"
  printf '"InstPath"="%s"\r\n"DataPath"="%s"\r\n"InstMode"=dword:%08x\r\n' \
    "${INST_PATH//\\/\\\\}" "${DATA_PATH//\\/\\\\}" "$INST_MODE"
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n'
} | iconv -f UTF-8 -t UTF-16 >"$reg"
wine regedit /S "$(winpath "$reg")" >/dev/null 2>&1
wineserver -w

inst_rel=${INST_PATH:3}
listing() {
  (cd "$(drive_c 'C:\')" && find "${inst_rel//\\//}" -type f -printf '%p  %s bytes  %TY-%Tm-%Td %TH:%TM\n' | LC_ALL=C sort)
}
listing >"$out/files-before.txt"

shots=$out/screenshots
mkdir -p "$shots"
script=$out/demo-run.txt
cat >"$script" <<EOF
start u $(winpath "$out/example-updater.exe")
box
answer OK
caption 星の庭 アップデータ 1.01
page
shot $(winpath "$shots/1-opening.bmp")
press 次へ
page
shot $(winpath "$shots/2-confirmation.bmp")
press 次へ
page
shot $(winpath "$shots/3-completion.bmp")
press 完了
exit u
EOF
echo "== the updater under Wine, driven page by page =="
wine "$driver" "$(winpath "$script")" | tee "$out/transcript.txt"
echo

echo "== files that changed under $INST_PATH =="
listing >"$out/files-after.txt"
diff "$out/files-before.txt" "$out/files-after.txt" | sed -n 's/^> /  now:  /p; s/^< /  was:  /p' || true
echo

for bmp in "$shots"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
echo "== screenshots =="
ls -1 "$shots"/*.png
