#!/usr/bin/env bash
# Builds everything and runs every test (ctest). GUI tests need a display, so ctest runs under
# a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release
cmake --build --preset release
xvfb-run -a ctest --preset release
