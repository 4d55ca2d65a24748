#!/usr/bin/env bash
# Reads built plug-in modules as the dynamic loader will, and fails on anything that would stop
# one loading on a Linux with glibc 2.35, or let it collide with a host or another plug-in:
#   check-portable-module.sh MODULE.so...
set -euo pipefail

allowed_libraries="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 ld-linux-x86-64.so.2
                   libpng16.so.16 libjpeg.so.62 libfreetype.so.6 libfontconfig.so.1 libz.so.1"
entry_points="GetPluginFactory ModuleEntry ModuleExit InitDll ExitDll lv2_descriptor lv2ui_descriptor"
newest_glibc="2.35"

failures=0
fail() { echo "FAIL: $1: $2"; failures=$((failures + 1)); }

for module in "$@"; do
    [[ -f "$module" ]] || { fail "$module" "no such module"; continue; }
    name="$(basename "$(dirname "$module")")/$(basename "$module")"

    needed="$(readelf -d -W "$module" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
    for library in $needed; do
        [[ " $(echo $allowed_libraries) " == *" $library "* ]] || fail "$name" "needs $library"
    done

    # Every version of another library that a symbol of the module asks for.
    versions="$(readelf -V -W "$module" | sed -n 's/.*Name: \([A-Z_]*[0-9.]*\).*Flags.*/\1/p' | sort -u)"
    for version in $versions; do
        case "$version" in
            GLIBC_PRIVATE) fail "$name" "uses glibc's private symbols" ;;
            GLIBC_*)
                number="${version#GLIBC_}"
                [[ "$(printf '%s\n%s\n' "$number" "$newest_glibc" | sort -V | tail -1)" == "$newest_glibc" ]] \
                    || fail "$name" "needs $version (newer than $newest_glibc): $(objdump -T "$module" | grep -w "$version" | awk '{print $NF}' | tr '\n' ' ')" ;;
            GLIBCXX_*|CXXABI_*|GCC_*) fail "$name" "needs the C++/GCC runtime version $version" ;;
        esac
    done

    # Defined dynamic symbols: what the module offers to everything else in the process.
    exported="$(readelf --dyn-syms -W "$module" | awk '$1 ~ /^[0-9]+:$/ && $7 != "UND" && $5 != "LOCAL" { print $8 }' | sed 's/@.*//' | sort -u)"
    count=0
    for symbol in $exported; do
        [[ " $entry_points " == *" $symbol "* ]] || { count=$((count + 1)); [[ $count -le 20 ]] && fail "$name" "exports $symbol"; }
    done
    [[ $count -le 20 ]] || fail "$name" "exports $((count - 20)) more symbols beyond the entry points"
    [[ -n "$exported" ]] || fail "$name" "exports no entry point at all"

    unique="$(readelf --dyn-syms -s -W "$module" | awk '$5 == "UNIQUE" { print $8 }' | sort -u)"
    [[ -z "$unique" ]] || fail "$name" "has unique symbols, which keep it loaded: $(echo $unique | head -c 400)"

    echo "$name: needs $(echo $needed); $(wc -w <<<"$exported") exported symbol(s); newest GLIBC $(tr ' ' '\n' <<<"$versions" | grep '^GLIBC_[0-9]' | sort -V | tail -1)"
done

if (( failures > 0 )); then
    echo "$failures problem(s)"
    exit 1
fi
