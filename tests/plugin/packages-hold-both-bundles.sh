#!/usr/bin/env bash
# Makes the release packages of a build folder into a scratch folder, unpacks the archive and
# renders the demo through both of its bundles with the host tool, and lists the .deb.
#   packages-hold-both-bundles.sh BUILD_DIR HOST_TOOL ARCHIVE_NAME
set -euo pipefail
build="$1" host="$2" archive="$3"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home"   # nothing of the user's: no ~/.lv2, no preset folder
mkdir -p "$HOME" "$scratch/unpacked"

(cd "$build" && cpack -G "TGZ;DEB" -B "$scratch/packages" > "$scratch/cpack.log" 2>&1) \
    || { cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }

tar -xzf "$scratch/packages/$archive.tar.gz" -C "$scratch/unpacked"
top="$scratch/unpacked/$archive"
for text in README.md LICENSE INSTALL; do
    [[ -s "$top/share/doc/quarmont/$text" ]] || fail "the archive lacks share/doc/quarmont/$text"
done

for bundle in lib/vst3/Quarmont.vst3 lib/lv2/Quarmont.lv2; do
    output="$scratch/demo-$(basename "$bundle").wav"
    if "$host" --plugin "$top/$bundle" --demo --output "$output" --set "Band 3 Gain=-9" > "$scratch/host.log" 2>&1; then
        grep -q "^Loaded Quarmont from $top/$bundle" "$scratch/host.log" || fail "$bundle: $(cat "$scratch/host.log")"
        [[ $(stat -c %s "$output") -gt 100000 ]] || fail "$bundle: the demo WAV is too short"
    else
        fail "$bundle: the host tool failed: $(cat "$scratch/host.log")"
    fi
done

debs=("$scratch"/packages/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { fail "no single .deb made: ${debs[*]}"; debs=(); }
if (( ${#debs[@]} == 1 )); then
    contents="$(dpkg-deb --contents "${debs[0]}")"
    for file in ./usr/lib/vst3/Quarmont.vst3/Contents/x86_64-linux/Quarmont.so \
                ./usr/lib/lv2/Quarmont.lv2/libQuarmont.so ./usr/lib/lv2/Quarmont.lv2/manifest.ttl \
                ./usr/lib/lv2/Quarmont.lv2/dsp.ttl ./usr/lib/lv2/Quarmont.lv2/ui.ttl; do
        grep -q " $file\$" <<<"$contents" || fail "$(basename "${debs[0]}") does not install $file"
    done
    outside="$(grep -v " \./usr/\| \./$" <<<"$contents" || true)"
    [[ -z "$outside" ]] || fail "the .deb installs outside /usr: $outside"
fi

if (( failures > 0 )); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "archive and package hold both bundles; the demo renders through each"
