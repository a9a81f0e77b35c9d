#!/usr/bin/env bash
# Configures and builds Korimo into build/ (build/korimo, build/korimo-cli).
# Extra arguments are passed to the build, e.g. `--target korimo korimo-cli`.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default
cmake --build --preset default "$@"
