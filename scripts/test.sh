#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test with CTest:
#   1. Release build (build/): all tests, the whole-program checks under Xvfb;
#   2. AddressSanitizer + UBSan build (build-asan/): the test suite;
#   3. ThreadSanitizer build of the core with the Qt layer switched off (build-tsan/):
#      proves the core needs no Qt, and runs the runner's tests;
#   4. libFuzzer build with clang (build-fuzz/): runs each fuzz target for a short time
#      (ONDREVO_FUZZ_SECONDS, 30 by default).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test || exit 1
jobs=$(nproc)
status=0
summary=()

stage() { # name build-dir ctest-args... ; cmake args come from $configure
  local name=$1 dir=$2; shift 2
  echo "=== $name"
  if ! cmake -S "$top" -B "$dir" -G Ninja "${configure[@]}" >/dev/null; then
    summary+=("$name: configure failed"); status=1; return
  fi
  if ! cmake --build "$dir" -j "$jobs" ${targets:+--target $targets}; then
    summary+=("$name: build failed"); status=1; return
  fi
  local log="$dir/ctest.log"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure "$@" 2>&1 | tee "$log"
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then status=1; fi
  summary+=("$name: $(grep -E 'tests passed|tests failed' "$log" | tail -1)")
}

configure=(-DCMAKE_BUILD_TYPE=Release); targets=""
stage "Release" "$top/build"

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DONDREVO_SANITIZE=address,undefined" -DONDREVO_BENCH=OFF); targets=""
stage "AddressSanitizer+UBSan" "$top/build-asan" -LE program -E 'EveryPairOfChoicesConverts'
unset ASAN_OPTIONS UBSAN_OPTIONS

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDREVO_SANITIZE=thread -DONDREVO_WITH_QT=OFF -DONDREVO_BENCH=OFF); targets=""
stage "ThreadSanitizer, core without Qt" "$top/build-tsan" -L process

unset TSAN_OPTIONS

fuzz_stage() {
  local dir="$top/build-fuzz" seconds=${ONDREVO_FUZZ_SECONDS:-30}
  echo "=== Fuzzing"
  if ! CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DONDREVO_FUZZ=ON -DONDREVO_WITH_QT=OFF -DONDREVO_TESTS=OFF -DONDREVO_BENCH=OFF >/dev/null; then
    summary+=("Fuzzing: configure failed"); status=1; return
  fi
  if ! cmake --build "$dir" -j "$jobs" --target fuzzers; then
    summary+=("Fuzzing: build failed"); status=1; return
  fi
  local fuzzer found=0
  for fuzzer in "$dir"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    found=1
    local name=${fuzzer##*/fuzz_} corpus log
    corpus=$(mktemp -d)
    log="$dir/$name.log"
    local seeds=()
    [ -d "$top/fuzz/corpus/$name" ] && seeds=("$top/fuzz/corpus/$name")
    "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$dir/$name-" \
      "$corpus" "${seeds[@]}" >"$log" 2>&1
    local rc=$? runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rm -rf "$corpus"
    if [ $rc -eq 0 ]; then
      summary+=("Fuzzing fuzz_$name: ${runs:-?} inputs in ${seconds} s, no finding")
    else
      tail -40 "$log"
      summary+=("Fuzzing fuzz_$name: FAILED (exit $rc, see $log)"); status=1
    fi
  done
  if [ $found -eq 0 ]; then
    summary+=("Fuzzing: no fuzz target was built"); status=1
  fi
}
fuzz_stage

echo
echo "=== Summary"
printf '%s\n' "${summary[@]}"
exit $status
