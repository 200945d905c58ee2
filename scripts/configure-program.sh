#!/usr/bin/env bash
# Configures a Release build folder for the program (run.sh, install.sh). A new folder gets
# only the program: the tests and benchmarks need packages that the program does not
# (GoogleTest, Google Benchmark), which scripts/deps.sh run does not install. A folder
# that was configured before keeps its choices, so that a build that scripts/test.sh made
# keeps its tests; one whose configure never succeeded (no build.ninja) counts as new.
# Usage: scripts/configure-program.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build_dir=$2
options=(-DCMAKE_BUILD_TYPE=Release)
if [ ! -f "$build_dir/build.ninja" ]; then
  options+=(-DONDREVO_TESTS=OFF -DONDREVO_BENCH=OFF -DONDREVO_FUZZ=OFF)
fi
cmake -S "$source_dir" -B "$build_dir" -G Ninja "${options[@]}" >/dev/null
