#!/usr/bin/env bash
# The hardening pass of CI: one clang build with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer of every unit, CLI and
# hardening test, plus a short run of every libFuzzer target from its seed
# corpus. Everything runs as ctest tests of that build, so the last lines
# printed are ctest's summary.
#
#   KORIMO_HARDENING_BUILD  build directory (default: build-hardening)
#   KORIMO_FUZZ_SECONDS     seconds per fuzz target (default: 60)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KORIMO_HARDENING_BUILD:-build-hardening}
FUZZ_SECONDS=${KORIMO_FUZZ_SECONDS:-60}

cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKORIMO_SANITIZE=ON -DKORIMO_BUILD_FUZZ=ON \
  -DKORIMO_BUILD_GUI=OFF -DKORIMO_BUILD_BENCH=OFF \
  -DKORIMO_FUZZ_SECONDS="$FUZZ_SECONDS"
cmake --build "$BUILD_DIR" -j2

# Any sanitizer report fails its test; leaks are reported at exit.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$BUILD_DIR"
ctest --output-on-failure -j2
