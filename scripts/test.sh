#!/usr/bin/env bash
# Installs what the tests need (only what is missing), builds, and runs the tests with CTest.
# Usage: scripts/test.sh [release|asan|tsan|fuzz|package]...
#   (release, asan, tsan and fuzz when none is named)
#   release  Release build (build/): all tests, the whole-program checks under Xvfb;
#   asan     AddressSanitizer + UBSan build (build-asan/): the test suite;
#   tsan     ThreadSanitizer build of the core with the Qt layer switched off (build-tsan/):
#            proves the core needs no Qt, and runs the runner's tests and those of the
#            other threads (files added, the list's journal);
#   fuzz     libFuzzer build with clang (build-fuzz/): runs each fuzz target for a short
#            time (ONDREVO_FUZZ_SECONDS, 30 by default);
#   package  the Debian package (scripts/package.sh, into dist/) and lintian on it: no
#            error and no warning. Only when named: it compiles the whole program again.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/clang.sh"

all_stages=(release asan tsan fuzz)
named_stages=("${all_stages[@]}" package)
stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=("${all_stages[@]}")
deps_groups=(test)
for s in "${stages[@]}"; do
  case " ${named_stages[*]} " in
    *" $s "*) ;;
    *) echo "usage: $0 [release|asan|tsan|fuzz|package]..." >&2; exit 2 ;;
  esac
  [ "$s" = package ] && deps_groups+=(package)
done

"$top/scripts/deps.sh" "${deps_groups[@]}" || exit 1
jobs=$(nproc)
status=0
summary=()
targets=""

build() { # name build-dir cmake-configure-args... ; builds $targets, or every default target
  local name=$1 dir=$2; shift 2
  if ! cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null; then
    summary+=("$name: configure failed"); status=1; return 1
  fi
  if ! cmake --build "$dir" -j "$jobs" ${targets:+--target $targets}; then
    summary+=("$name: build failed"); status=1; return 1
  fi
}

run_tests() { # name build-dir ctest-args...
  local name=$1 dir=$2; shift 2
  local log="$dir/ctest.log"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --no-tests=error "$@" 2>&1 | tee "$log"
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then status=1; fi
  local result
  result=$(grep -E 'tests passed|tests failed' "$log" | tail -1)
  summary+=("$name: ${result:-no test ran}")
}

release() {
  # build/ may have been made by scripts/run.sh, for the program alone.
  build "Release" "$top/build" -DCMAKE_BUILD_TYPE=Release -DONDREVO_TESTS=ON -DONDREVO_BENCH=ON || return
  run_tests "Release" "$top/build"
}

asan() {
  build "AddressSanitizer+UBSan" "$top/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DONDREVO_SANITIZE=address,undefined" -DONDREVO_BENCH=OFF || return
  ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    run_tests "AddressSanitizer+UBSan" "$top/build-asan" -LE program -E 'EveryPairOfChoicesConverts'
}

tsan() {
  # Only the tests that run here are built: the runner's, and those of adding files
  # (app), of the batch engine's worker thread (app) and of the list's journal (parameters).
  targets="test_process test_parameters test_app" build "ThreadSanitizer, core without Qt" "$top/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONDREVO_SANITIZE=thread -DONDREVO_WITH_QT=OFF -DONDREVO_BENCH=OFF || return
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_tests "ThreadSanitizer, core without Qt" "$top/build-tsan" -L process
  # Files are added on worker threads, and the list's journal writes on a thread of its own.
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_tests "ThreadSanitizer, adding files and the list's journal" "$top/build-tsan" -R '^(FileList|FileListJournal|ListJournal)\.'
  # A row's start is read on the batch engine's worker thread.
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_tests "ThreadSanitizer, the batch engine's starts" "$top/build-tsan" -R '^(BatchEngineTold|BatchStart|FilesAtOnce)\.'
}

fuzz() {
  local dir="$top/build-fuzz" seconds=${ONDREVO_FUZZ_SECONDS:-30}
  if ! CC=clang-$clang_version CXX=clang++-$clang_version cmake -S "$top" -B "$dir" -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDREVO_FUZZ=ON -DONDREVO_WITH_QT=OFF -DONDREVO_TESTS=OFF \
      -DONDREVO_BENCH=OFF >/dev/null; then
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

package() {
  if ! "$top/scripts/package.sh"; then
    summary+=("Debian package: build failed"); status=1; return
  fi
  local deb
  deb=$(ls "$top"/dist/ondrevo_*.deb)
  # Every tag lintian shows by default, errors and warnings failing the stage; each
  # override in debian/ says why.
  if lintian --fail-on error,warning --display-info "$deb"; then
    summary+=("Debian package: $(basename "$deb"), lintian: no error, no warning")
  else
    summary+=("Debian package: lintian found errors or warnings in $(basename "$deb")"); status=1
  fi
}

times=()
for s in "${stages[@]}"; do
  echo "=== $s"
  started=$SECONDS
  "$s"
  times+=("$s $((SECONDS - started)) s")
done

echo
echo "=== Summary"
printf '%s\n' "${summary[@]}"
printf 'Time taken: '; printf '%s, ' "${times[@]}"; echo "in all $SECONDS s (packages included)"
exit $status
