#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) and runs each for SECONDS (default 60) from seeds
# made by the test-file builder; RUNS=N runs each for N executions instead,
# and TARGETS="FuzzZip ..." picks the targets. Every target reads its input
# from memory. Any finding fails the run; its input and the whole report are
# kept in build-fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCORVANE_FUZZ=ON -DCORVANE_GUI=OFF \
  -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build-fuzz/fuzz/corvane-fuzz-seeds "$work/seeds"
# A freed block stays poisoned until 32 MiB more have been freed, far more
# than one input frees; with the default of 256 MiB every block was fresh
# memory, and the targets spent half their time in page faults.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=32
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
wanted="${TARGETS:-FuzzDecode FuzzZip FuzzSettings FuzzTape FuzzTerse FuzzContainers FuzzRepair}"
limit=(-max_total_time="$seconds")
[ -n "${RUNS:-}" ] && limit=(-runs="$RUNS")
# target:seeds:longest input. A settings file holds a few dozen short lines;
# longer inputs only repeat them, and slow every run down.
for target_row in FuzzDecode:decode:65536 FuzzZip:zip:65536 FuzzSettings:settings:4096 FuzzTape:tape:65536 \
  FuzzTerse:terse:16384 FuzzContainers:containers:65536 FuzzRepair:repair:8192; do
  IFS=: read -r target seeds maxlen <<<"$target_row"
  case " $wanted " in *" $target "*) ;; *) continue ;; esac
  dict=()
  [ "$target" = FuzzDecode ] && dict=(-dict=fuzz/xmit.dict)
  mkdir -p "$work/corpus-$seeds"
  echo "== $target: ${limit[*]}"
  log="$work/$target.log"
  build-fuzz/fuzz/"$target" "${dict[@]}" "${limit[@]}" -rss_limit_mb=2048 -max_len="$maxlen" \
    -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus-$seeds" "$work/seeds/$seeds" \
    >"$log" 2>&1 || true
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss)' "$log" || true
  # Each kind of finding looked for on its own: one ls of all the kinds
  # fails whenever one kind is missing, and a crash alone went unseen.
  found=()
  for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
    if [ -e "$f" ]; then found+=("$f"); fi
  done
  if [ "${#found[@]}" -gt 0 ]; then
    mkdir -p build-fuzz/findings
    cp "$log" "${found[@]}" build-fuzz/findings/
    echo "$target found a problem (kept in build-fuzz/findings):"
    grep -v '^#[0-9]' "$log" | tail -n 60
    exit 1
  fi
  if ! grep -q '^stat::number_of_executed_units' "$log"; then
    echo "$target did not run to its end:"
    tail -n 60 "$log"
    exit 1
  fi
done
echo "fuzzing: no findings"
