#!/usr/bin/env bash
# make bench: the optimised build, the corpus, the figures outside the codec
# (extraction memory, the stub's size, the end-to-end update run) and the
# codec benchmark, which prints the one table and writes
# build/bench/results.md and build/bench/results.json.
#
# Environment: BENCH_MIN_TIME (seconds per case, default 0.2),
# BENCH_REPETITIONS (decode repetitions, default 3), BENCH_ROUNDS (update
# runs and copies, default 3).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=build/bench
build=build/bench-build
stub_build=build/bench-win32
mkdir -p "$out"
figures="$out/figures.tsv"
: >"$figures"

log() { echo "bench: $*" >&2; }
figure() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$figures"; }

log "building (Release) in $build"
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 --target codec_bench >&2
have_qpk=0
if cmake --build --preset bench -j 2 --target qpk >/dev/null 2>&1; then have_qpk=1; else log "qpk does not build: no extraction figures"; fi
have_run=0
if cmake --build --preset bench -j 2 --target update_run_bench >/dev/null 2>&1; then have_run=1; else log "the update run does not build: no end-to-end figure"; fi

log "corpus in $out/corpus (cached)"
bench/make_corpus.sh "$out/corpus"

# --- The end-to-end archive: 16 members, one large one and fifteen of equal
# size, cut from the corpus as one stream, 136 MB in all.  It is packed at
# the best level once and kept: packing is the slow part, and the stream
# format never changes, so a kept archive stays valid.
e2e="$out/e2e"
MB=1000000
if [ "$have_qpk" = 1 ] && { [ ! -f "$e2e/update.qpk" ] || [ "$out/corpus/.complete" -nt "$e2e/update.qpk" ]; }; then
  log "packing the end-to-end archive (best level; kept for later runs)"
  rm -rf "$e2e"
  mkdir -p "$e2e/files"
  find "$out/corpus" -type f ! -name '.complete' | sort >"$e2e/list"
  xargs -d '\n' cat <"$e2e/list" >"$e2e/stream"
  size=$(stat -c %s "$e2e/stream")
  offset=0
  script="[SETUP]\r\nCompanyName=BenchCo\r\nGameTitle=Bench\r\nGameClass=BenchWnd\r\nGameDir=BenchGame\r\n[UPDATE]\r\n"
  for i in $(seq 0 15); do
    name=$(printf 'DATA%02d.BIN' "$i")
    if [ "$i" = 0 ]; then length=$((40 * MB)); else length=$((96 * MB / 15)); fi
    # Wrap around at the end of the corpus stream.
    dd if="$e2e/stream" of="$e2e/files/$name" bs=1M iflag=skip_bytes,count_bytes skip="$offset" count="$length" status=none
    have=$(stat -c %s "$e2e/files/$name")
    [ "$have" -ge "$length" ] || head -c $((length - have)) "$e2e/stream" >>"$e2e/files/$name"
    offset=$(( (offset + length) % size ))
    script+="$(printf 'UpdateFile%02d=%s' "$i" "$name")\r\n"
  done
  rm -f "$e2e/stream"
  printf '%b' "$script" >"$e2e/files/UPDATE.INI"
  (cd "$e2e/files" && "$root/$build/qpk" pack -9 -o ../update.qpk UPDATE.INI DATA*.BIN)
fi

# --- Peak memory of qpk extract of the large member.
if [ "$have_qpk" = 1 ] && [ -f "$e2e/update.qpk" ]; then
  rm -rf "$e2e/extract"
  mkdir -p "$e2e/extract"
  /usr/bin/time -v "$build/qpk" extract "$e2e/update.qpk" "$e2e/extract" DATA00.BIN 2>"$e2e/time.txt" >/dev/null
  cmp "$e2e/extract/DATA00.BIN" "$e2e/files/DATA00.BIN" || { log "qpk extract wrote wrong bytes"; exit 1; }
  rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): *//p' "$e2e/time.txt")
  figure extract_peak_rss $((rss_kib * 1024)) bytes "peak resident memory of qpk extract of one 40 MB member"
  figure extract_archive_size "$(stat -c %s "$e2e/update.qpk")" bytes "size of the archive it reads"
  figure extract_member_size "$(stat -c %s "$e2e/files/DATA00.BIN")" bytes "size of the extracted member"
  rm -rf "$e2e/extract"
fi

# --- The stub: updater.exe without payload, from the sources as they are.
if command -v i686-w64-mingw32-g++-posix >/dev/null; then
  log "building the stub updater.exe in $stub_build"
  if cmake --preset win32 -B "$stub_build" -DUPDATER_TESTS=OFF -DUPDATER_PAYLOAD= >/dev/null &&
     cmake --build "$stub_build" -j 2 --target updater >/dev/null; then
    figure updater_stub_size "$(stat -c %s "$stub_build/app/updater.exe")" bytes "updater.exe without payload (win32, MinSizeRel, stripped)"
  else
    log "the stub does not build: no size figure"
  fi
fi

# --- The end-to-end run against cp.
if [ "$have_run" = 1 ] && [ -f "$e2e/update.qpk" ]; then
  log "end-to-end: update run against cp"
  "$build/update_run_bench" --archive "$e2e/update.qpk" --files "$e2e/files" --rounds "${BENCH_ROUNDS:-3}" >>"$figures"
fi

# The sources measured: the commit, marked when the codec has local changes.
revision=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
git diff --quiet HEAD -- archive 2>/dev/null || revision+=" with local changes to archive/"

log "codec benchmark"
"$build/codec_bench" --corpus "$out/corpus" --figures "$figures" --out "$out" --revision "$revision" \
  --min-time "${BENCH_MIN_TIME:-0.2}" --decode-repetitions "${BENCH_REPETITIONS:-3}"
