#!/bin/sh
# Builds the whole suite once more with AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks count as failures) and runs it: every unit and offscreen test, the engine benchmark
# and the sanitizers' own proof that they report. The soak, fuzz, packaging and whole-process
# tests run in the ordinary build only. With a TARGET it builds only that target and runs
# nothing: the ordinary build's end-to-end tests run this build's program too.
#   run_suite.sh SOURCE_DIR BUILD_DIR [TARGET]
set -eu
source_dir=$1
build_dir=$2
target=${3:-}
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DVELMORA_SANITIZE=ON -DVELMORA_E2E=OFF -DVELMORA_WERROR=ON >"$build_dir.configure.log" 2>&1 ||
    { cat "$build_dir.configure.log"; exit 1; }
cmake --build "$build_dir" -j2 ${target:+--target "$target"} >"$build_dir.build.log" 2>&1 ||
    { tail -n 60 "$build_dir.build.log"; exit 1; }
[ -z "$target" ] || exit 0
cd "$build_dir"
exec ctest --output-on-failure --timeout 300 -LE 'e2e|soak|fuzz|packaging|bench'
