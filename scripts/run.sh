#!/usr/bin/env bash
# Installs what is missing, builds the two programs (not the tests), and
# starts the window; arguments go to the window (files to open).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset programs
# Without a display the window runs on a virtual X server (Xvfb); take a look
# at it with `import -window root shot.png`.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting the window under xvfb-run." >&2
  exec xvfb-run -a ./build/korimo "$@"
fi
exec ./build/korimo "$@"
