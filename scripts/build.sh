#!/usr/bin/env bash
# Configures and builds Korimo into build/ (build/korimo, build/korimo-cli).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build
