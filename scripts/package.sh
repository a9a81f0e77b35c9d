#!/usr/bin/env bash
# Builds the Debian package build/korimo_VERSION_ARCH.deb: what
# `cmake --install` installs, under /usr, with Depends worked out by
# dpkg-shlibdeps from the programs' libraries. Installs what is missing and
# builds only what the package holds, not the tests (the "package" workflow
# of CMakePresets.json).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --workflow --preset package
ls -l build/korimo_*.deb
