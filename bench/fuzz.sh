#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a short while
# (FUZZ_SECONDS, default 30). Corpora live in build-fuzz/corpus-NAME (not committed).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVIREO_GUI=OFF -DVIREO_TESTS=OFF -DVIREO_BENCH=OFF \
    -DVIREO_FUZZ=ON > /dev/null
cmake --build build-fuzz
status=0
for fuzzer in build-fuzz/bin/fuzz_*; do
    name=$(basename "$fuzzer")
    corpus="build-fuzz/corpus-$name"
    mkdir -p "$corpus"
    # Seeds for the web-search parsers: the shipped scripts and the engines' fixtures.
    case "$name" in
    fuzz_engine_script) cp -n resources/engines/*.xml resources/engines/templates/*.xml "$corpus"/ ;;
    fuzz_extract_html) cp -n tests/data/ornsearch/*.html "$corpus"/ ;;
    fuzz_extract_json) cp -n tests/data/ornsearch/*.json "$corpus"/ ;;
    fuzz_extract_feed) cp -n tests/data/ornsearch/*.rss tests/data/ornsearch/*.atom "$corpus"/ ;;
    fuzz_xbel) cp -n tests/data/interchange/*.xbel "$corpus"/ ;;
    fuzz_chromium_bookmarks)
        # Small Bookmarks files as the import benchmark writes them, when the regular build
        # has made its generator.
        if [ -x build/bin/vireo-bench-gen-browser ]; then
            seeds=$(mktemp -d)
            for size in 3:1 12:3 40:6; do
                build/bin/vireo-bench-gen-browser "$seeds/$size" "${size%:*}" "${size#*:}"
                cp -n "$seeds/$size/Bookmarks" "$corpus/generated-${size%:*}"
            done
            rm -rf "$seeds"
        fi
        ;;
    esac
    echo "== $name ($seconds s)"
    if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$corpus" 2>"build-fuzz/$name.log"; then
        echo "   FAILED: see build-fuzz/$name.log"
        status=1
    else
        grep -E '^Done [0-9]+ runs' "build-fuzz/$name.log" | sed 's/^/   /'
    fi
done
exit $status
