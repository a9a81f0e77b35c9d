#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset default
# Then the sanitizer build and the fuzz runs (KORIMO_SKIP_HARDENING=1 skips
# them for a quick local run); their ctest summary is the last thing printed.
if [ "${KORIMO_SKIP_HARDENING:-0}" != 1 ]; then
  bash scripts/test-hardening.sh
fi
