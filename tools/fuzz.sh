#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, runs every input that once
# failed (fuzz/crashes/TARGET/) again, then fuzzes each target for SECONDS
# (default 60). Prints "fuzz.TARGET.execs N" and "fuzz.TARGET.crashes N" for
# each target and exits non-zero on any crash, leak, sanitizer report or
# timeout; the input that failed is kept under fuzz/crashes/TARGET/.
# QEL_FUZZ_RUNS=N also stops each target after N executions.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
# Seconds one input may take before it counts as a hang.
timeout=${QEL_FUZZ_TIMEOUT:-20}
runs=${QEL_FUZZ_RUNS:--1}
[ ${#targets[@]} -gt 0 ] || targets=(bitmap scene save midi check runloop replay)

cc=${QEL_CLANG:-clang++-14}
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -DQEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cc" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null || exit 1
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" || exit 1

export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
command -v llvm-symbolizer-14 >/dev/null && export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)

status=0
for t in "${targets[@]}"; do
  # Absolute paths: some targets work in a scratch folder of their own.
  bin=$root/build-fuzz/fuzz/fuzz_$t
  crashes=$root/fuzz/crashes/$t
  corpus=$root/build-fuzz/corpus/$t
  log=$root/build-fuzz/fuzz_$t.log
  mkdir -p "$crashes" "$corpus"
  found=0

  # Inputs that failed before must all pass now.
  old=("$crashes"/*)
  if [ -e "${old[0]}" ]; then
    if ! "$bin" -timeout="$timeout" -rss_limit_mb=2048 "${old[@]}" >"$log.regressions" 2>&1; then
      echo "fuzz.$t: an input under $crashes fails again (see $log.regressions)" >&2
      found=1
    fi
  fi

  before=$(ls "$crashes" | wc -l)
  nice -n 19 "$bin" -max_total_time="$seconds" -runs="$runs" -timeout="$timeout" -rss_limit_mb=2048 \
    -dict="$root/fuzz/qel.dict" -artifact_prefix="$crashes/" -print_final_stats=1 \
    "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  after=$(ls "$crashes" | wc -l)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  new=$((after - before))
  if [ "$rc" -ne 0 ] && [ "$new" -eq 0 ]; then new=1; fi
  found=$((found + new))
  echo "fuzz.$t.execs ${execs:-0}"
  echo "fuzz.$t.crashes $found"
  if [ "$found" -ne 0 ]; then
    status=1
    echo "fuzz.$t: failed (exit $rc); log: $log" >&2
    grep -m5 -E "ERROR:|runtime error:|SUMMARY:|Test unit written" "$log" >&2 || true
  fi
done
exit $status
