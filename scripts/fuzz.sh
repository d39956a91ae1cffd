#!/usr/bin/env bash
# Runs every fuzz target with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer).
#
#   scripts/fuzz.sh [SECONDS]           each target for SECONDS (default 180),
#                                       growing a kept corpus in the build dir
#   scripts/fuzz.sh --smoke [SECONDS]   each target for SECONDS (default 20)
#                                       from the committed seeds alone; skipped
#                                       with a note when clang's fuzzer runtime
#                                       is missing (make test calls this)
#
# Environment: FUZZ_BUILD_DIR (default build/fuzz, the fuzz preset's folder),
# FUZZ_JOBS (targets run at once, default 2), FUZZ_TARGETS (a subset, by
# name).  A crash leaves its input in $FUZZ_BUILD_DIR/artifacts/TARGET/;
# copy it into tests/fuzz/seeds/TARGET/ once fixed, so that the replay test
# keeps it.  Exit status 1 when any target found a crash.
set -uo pipefail
cd "$(dirname "$0")/.."

smoke=0
if [ "${1:-}" = "--smoke" ]; then smoke=1; shift; fi
seconds="${1:-$([ $smoke = 1 ] && echo 20 || echo 180)}"
build="${FUZZ_BUILD_DIR:-build/fuzz}"
jobs="${FUZZ_JOBS:-2}"
targets=(${FUZZ_TARGETS:-decompress archive script setup_ini line_breaks round_trip})

have_libfuzzer() {
  command -v clang++ >/dev/null || return 1
  local runtime
  runtime="$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)"
  [ -f "$runtime" ] && return 0
  runtime="$(clang++ -print-resource-dir 2>/dev/null)/lib/linux/libclang_rt.fuzzer-x86_64.a"
  [ -f "$runtime" ]
}

if ! have_libfuzzer; then
  if [ $smoke = 1 ]; then
    echo "fuzz: clang with libFuzzer not found; smoke runs skipped (the replay tests still ran)" >&2
    exit 0
  fi
  echo "fuzz: clang with libFuzzer is needed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

cmake --preset fuzz -B "$build" >/dev/null || exit 1
cmake --build "$build" -j "$jobs" --target "${targets[@]/%/_fuzz}" >/dev/null || {
  echo "fuzz: build failed (run: cmake --build $build)" >&2
  exit 1
}

# Longest input per target: the codec targets need room for distances up
# to 8192; the text readers gain nothing past a few kilobytes.
max_len() {
  case "$1" in
    decompress|round_trip) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

run_target() {
  local t="$1" corpus="$build/corpus/$1" artifacts="$build/artifacts/$1/"
  local log="$build/logs/$1.log" dict=()
  if [ $smoke = 1 ]; then corpus="$(mktemp -d)"; fi
  mkdir -p "$corpus" "$artifacts" "$build/logs"
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  "$build/tests/fuzz/${t}_fuzz" "${dict[@]}" -max_total_time="$seconds" \
    -max_len="$(max_len "$t")" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "$corpus" "tests/fuzz/seeds/$t" >"$log" 2>&1
  local rc=$?
  if [ $smoke = 1 ]; then rm -rf "$corpus"; fi
  echo $rc >"$build/logs/$t.rc"
}

summary() {
  local t="$1" rc="$2" log="$build/logs/$1.log"
  local runs final cov ft corp speed result
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  final="$(grep -E '^#[0-9]+' "$log" | tail -1)"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$final")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$final")"
  corp="$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$final")"
  speed="$(sed -n 's/.* exec\/s: \([0-9]*\).*/\1/p' <<<"$final")"
  if [ "$rc" = 0 ]; then result=ok; else result="CRASH (see $log)"; fi
  printf '%-12s %10s %6s %6s %6s %8s  %s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
    "${corp:-?}" "${speed:-?}" "$result"
}

echo "fuzz: ${#targets[@]} targets, ${seconds} s each, $jobs at a time$([ $smoke = 1 ] && echo ', smoke')" >&2
declare -A status
for t in "${targets[@]}"; do
  rm -f "$build/logs/$t.rc"
  run_target "$t" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
done
wait
for t in "${targets[@]}"; do status[$t]="$(cat "$build/logs/$t.rc" 2>/dev/null || echo 1)"; done

failed=0
{
  printf '%-12s %10s %6s %6s %6s %8s  %s\n' target runs cov ft corpus exec/s result
  for t in "${targets[@]}"; do summary "$t" "${status[$t]}"; done
} | tee "$build/logs/summary.txt"
for t in "${targets[@]}"; do
  [ "${status[$t]}" = 0 ] || failed=1
done
exit $failed
