#!/usr/bin/env bash
# The hardening pass of CI: one clang build with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer of every unit, CLI and
# hardening test, plus a short run of every libFuzzer target from its seed
# corpus: the "hardening" workflow of CMakePresets.json, in build-hardening/.
# Everything runs as ctest tests of that build, so the last lines printed
# are ctest's summary.
#
#   KORIMO_FUZZ_SECONDS     seconds per fuzz target (default: 60)
set -euo pipefail
cd "$(dirname "$0")/.."
# The fuzz length is a cache setting of that build; the workflow keeps it.
cmake --preset hardening -DKORIMO_FUZZ_SECONDS="${KORIMO_FUZZ_SECONDS:-60}" >/dev/null
# Any sanitizer report fails its test; leaks are reported at exit.
cmake --workflow --preset hardening
