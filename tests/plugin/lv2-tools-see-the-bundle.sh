#!/usr/bin/env bash
# Reads the built Quarmont.lv2 with the LV2 tools most hosts are built on (lilv's lv2ls and lv2info)
# and checks its Turtle against the LV2 schemas with sord_validate.
#   lv2-tools-see-the-bundle.sh BUNDLE URI SCHEMA_DIR
set -euo pipefail
bundle="$1" uri="$2" schemas="$3"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Nothing of the user's: lilv reads only the folder given here.
export HOME="$(mktemp -d)"
trap 'rm -rf "$HOME"' EXIT
export LV2_PATH="$(cd "$(dirname "$bundle")" && pwd)"

found="$(lv2ls)"
[[ "$found" == "$uri" ]] || fail "lv2ls lists '$found', expected exactly '$uri'"

info="$(lv2info "$uri")"
expect_info() {
    grep -Eq -- "$1" <<<"$info" || fail "lv2info does not show $2 (pattern: $1)"
}
expect_info "^[[:space:]]+Name:[[:space:]]+Quarmont$" "the plug-in's name"
expect_info "^[[:space:]]+Author:[[:space:]]+Varnholt Audio$" "the maker"
expect_info "^[[:space:]]+Author Homepage:[[:space:]]+https://" "an https home page"
expect_info "^[[:space:]]+Has latency:[[:space:]]+yes, reported by port [0-9]+" "a latency port"
expect_info "Designation:[[:space:]]+http://lv2plug.in/ns/lv2core#latency" "the latency designation"
expect_info "Designation:[[:space:]]+http://lv2plug.in/ns/lv2core#enabled" "the host bypass (enabled) port"
expect_info "^[[:space:]]+${uri}:UI$" "the UI under the plug-in's URI"
expect_info "Class:[[:space:]]+http://lv2plug.in/ns/extensions/ui#X11UI" "an X11 UI"
expect_info "Extension Data:[[:space:]]+http://lv2plug.in/ns/ext/state#interface" "the state extension"
for symbol in audio_in_1 audio_in_2 audio_out_1 audio_out_2 latency enabled; do
    expect_info "Symbol:[[:space:]]+${symbol}$" "the port '$symbol'"
done

# Every error sord_validate reports, one per line: message | subject | predicate | object.
files=($(find "$schemas" -name '*.ttl' | sort) "$bundle"/*.ttl)
report="$(sord_validate "${files[@]}" 2>&1 || true)"
errors="$(awk '/^error: /{ if (e) print e; e = $0; next } /^Found /{ next } e && NF { gsub(/^[ \t]+/, ""); e = e " | " $0 } END { if (e) print e }' <<<"$report")"

# The one message allowed to stay. LV2 has no vocabulary of its own for a parameter that is a
# switch; JUCE's generator marks such a parameter (our five band bypasses) with the port properties
# lv2:toggled and lv2:enumeration, whose schema domain is lv2:Port, so that hosts reading
# parameters as they read control ports can show a switch instead of a slider.
allowed='^error: Subject not in domain <http://lv2plug.in/ns/lv2core#Port> \| '"${uri//./\\.}"':band[1-5]_bypass \| http://lv2plug.in/ns/lv2core#portProperty \| http://lv2plug.in/ns/lv2core#(toggled|enumeration)$'
while IFS= read -r line; do
    [[ -z "$line" ]] && continue
    grep -Eq -- "$allowed" <<<"$line" || fail "sord_validate: $line"
done <<<"$errors"

# A validator that read nothing would report nothing: it must have read every file.
grep -Eq "^Found [0-9]+ errors? among ${#files[@]} files" <<<"$report" \
    || fail "sord_validate did not read all ${#files[@]} files (it says: $(tail -1 <<<"$report"))"

if (( failures > 0 )); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "lv2ls, lv2info and sord_validate see $uri as expected"
