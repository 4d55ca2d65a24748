#!/usr/bin/env bash
# Installs the Debian packages Quarmont needs to build and test. Safe to run again: it only calls
# apt-get when something is missing. Needs root (or sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
    juce-modules-source juce-tools
    libfftw3-dev libcurl4-gnutls-dev libssl-dev
    libasound2-dev libfreetype-dev libx11-dev libxext-dev libxinerama-dev libxrandr-dev
    libxcursor-dev libxcomposite-dev libxrender-dev libgl-dev libgtk-3-dev libwebkit2gtk-4.0-dev
    libpng-dev libjpeg-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core
    lilv-utils sordi lv2-dev
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "All build and test packages are installed."
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
