#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds Quarmont.vst3 and Quarmont.lv2, installs
# them into ~/.vst3 and ~/.lv2 and renders the built-in demo signal through each with the
# project's own host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Object files are shared between clones and build folders through ccache.
export CCACHE_BASEDIR="$PWD"

cmake --preset release
cmake --build --preset release --target Quarmont_VST3 Quarmont_LV2 quarmont-host

artefacts=build/release/source/Quarmont_artefacts/Release
for format in vst3 lv2; do
    bundle="$artefacts/${format^^}/Quarmont.$format"
    mkdir -p "$HOME/.$format"
    rm -rf "$HOME/.$format/Quarmont.$format"
    cp -R "$bundle" "$HOME/.$format/"
    echo "Installed $HOME/.$format/Quarmont.$format"
done

# Band 3 (600 Hz .. 2.5 kHz) brings everything between -40 and -10 dB down by 9 dB, with soft
# knees; the rest of the spectrum passes untouched.
for format in vst3 lv2; do
    build/release/tools/quarmont-host --plugin "$HOME/.$format/Quarmont.$format" --demo \
        --output "$PWD/build/quarmont-demo-$format.wav" \
        --set "Band 3 Level Min=-40" --set "Band 3 Level Max=-10" --set "Band 3 Gain=-9" \
        --set "Band 3 Lower Knee=6" --set "Band 3 Upper Knee=6"
done
