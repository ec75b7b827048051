#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz/) with Debian's clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, then runs
# each target for the given number of seconds (default 60), one after the
# other, from its seed corpus. Prints each target's executions and findings;
# the exit status is 1 when a target found something (the inputs are kept in
# build-fuzz/findings/<target>/, the log in build-fuzz/logs/<target>.log).
#
#   scripts/fuzz.sh [seconds] [target ...]
#   TERIL_FUZZ_RUNS=10000000 scripts/fuzz.sh 7200 number   # stop after 10^7 executions
#
# Fuzzing keeps a core busy: on a shared machine run it under nice.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[ $# -gt 0 ] && shift
build=build-fuzz

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTERIL_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  # The one list of targets: tests/fuzz/CMakeLists.txt.
  read -r -a targets < <(sed -n 's/^set(TERIL_FUZZ_TARGETS \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
fi

runs=()
[ -n "${TERIL_FUZZ_RUNS:-}" ] && runs=(-runs="$TERIL_FUZZ_RUNS")
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

found=0
printf '%-16s %14s %10s %9s\n' target executions seconds findings
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  # Findings of an earlier run are not this run's: a fault mended since then
  # must not be counted again. Its input stays in the corpus once added there.
  rm -rf "$findings"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  start=$(date +%s)
  # New inputs go to the work corpus; the seeds in the repository stay as
  # they are. -rss_limit_mb and -timeout catch a reader that takes memory
  # or time out of proportion to its input.
  "$build/tests/fuzz/fuzz_$t" "$work" "tests/fuzz/corpus/$t" -max_total_time="$seconds" \
    "${runs[@]}" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || true
  elapsed=$(( $(date +%s) - start ))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  count=$(find "$findings" -type f | wc -l)
  printf '%-16s %14s %10s %9s\n' "$t" "${execs:-?}" "$elapsed" "$count"
  if [ "$count" -gt 0 ] || [ -z "$execs" ]; then
    found=1
    grep -m 3 -E "ERROR|property broken|runtime error|Test unit written" "$log" | sed 's/^/    /' || true
  fi
done
exit "$found"
