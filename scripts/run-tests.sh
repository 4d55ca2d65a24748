#!/usr/bin/env bash
# Builds everything and runs every test (ctest), in six builds:
#   release  all tests (GUI tests under a virtual X server)
#   nofftw   as on a machine without FFTW: the plug-in, the host tool, the benchmarks and the
#            engine, processor and hosted plug-in tests, on JUCE's own FFT (objects from ccache)
#   asan     all tests under AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan     the tests that run several threads, under ThreadSanitizer
#   fuzz     the libFuzzer targets of the state restore, a minute each
#   juce8    all tests again, built against JUCE 8: the copy in QUARMONT_JUCE8_DIR, else the one
#            at ../shared/juce-8.0.12 beside the repository; skipped when there is neither
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Object files are shared between clones and build folders through ccache.
export CCACHE_BASEDIR="$PWD"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/tsan.supp:halt_on_error=1:second_deadlock_stack=1"

run_build() {
    local preset="$1" log="build/$1.log"
    shift
    echo "=== $preset: configure and build (log: $log)"
    cmake --preset "$preset" "$@" > "$log" 2>&1 || { cat "$log"; return 1; }
    cmake --build --preset "$preset" >> "$log" 2>&1 || { tail -100 "$log"; return 1; }
    echo "=== $preset: test"
    xvfb-run -a ctest --preset "$preset"
}

mkdir -p build

for preset in release nofftw asan tsan fuzz; do
    run_build "$preset"
done

juce8_dir=""
for candidate in "${QUARMONT_JUCE8_DIR:-}" ../shared/juce-8.0.12; do
    if [[ -n "$candidate" && -f "$candidate/CMakeLists.txt" && -d "$candidate/modules" ]]; then
        juce8_dir="$(cd "$candidate" && pwd)"
        break
    fi
done

if [[ -n "$juce8_dir" ]]; then
    run_build juce8 -DQUARMONT_JUCE_DIR="$juce8_dir"
else
    echo "=== juce8: skipped (no JUCE 8 in QUARMONT_JUCE8_DIR or at ../shared/juce-8.0.12)"
fi
