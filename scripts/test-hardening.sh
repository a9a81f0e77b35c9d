#!/usr/bin/env bash
# The hardening pass of CI: one clang build with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer of every unit, CLI and
# hardening test, plus a short run of every libFuzzer target from its seed
# corpus: the "hardening" preset of CMakePresets.json, in build-hardening/.
# Everything runs as ctest tests of that build, so the last lines printed
# are ctest's summary.
#
#   KORIMO_FUZZ_SECONDS     seconds per fuzz target (default: 60)
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_SECONDS=${KORIMO_FUZZ_SECONDS:-60}

cmake --preset hardening -DKORIMO_FUZZ_SECONDS="$FUZZ_SECONDS"
cmake --build --preset hardening -j2

# Any sanitizer report fails its test; leaks are reported at exit.
ctest --preset hardening
