#!/usr/bin/env bash
# Fuzzes the state restore for longer than CI does: scripts/fuzz.sh [SECONDS per target, default 3600]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-3600}"

cmake --preset fuzz -DQUARMONT_FUZZ_SECONDS="$seconds"
cmake --build --preset fuzz
ctest --preset fuzz --timeout $((seconds + 600))
