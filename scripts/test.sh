#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test
# there (the "default" workflow of CMakePresets.json), then the hardening pass.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --workflow --preset default
# Then the sanitizer build and the fuzz runs (KORIMO_SKIP_HARDENING=1 skips
# them for a quick local run); their ctest summary is the last thing printed.
if [ "${KORIMO_SKIP_HARDENING:-0}" != 1 ]; then
  bash scripts/test-hardening.sh
fi
