#!/usr/bin/env bash
# Fuzzes the state restore for longer than CI does, with a random seed, in its own build folder
# (build/fuzz-long) so that the CI-length settings of build/fuzz stay as they are:
#   scripts/fuzz.sh [SECONDS per target, default 3600]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-3600}"
export CCACHE_BASEDIR="$PWD"

cmake --preset fuzz -B build/fuzz-long -DQUARMONT_FUZZ_SECONDS="$seconds" -DQUARMONT_FUZZ_SEED=0
cmake --build build/fuzz-long --target quarmont_fuzzers
ctest --test-dir build/fuzz-long --output-on-failure --timeout $((seconds + 600))
