#!/usr/bin/env bash
# Runs every benchmark against generated data (never committed: it is made again here
# from fixed seeds) and prints the figures. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
data="$build/bench-data"
mkdir -p "$data"

echo "== Store: 100,000 bookmarks in 2,000 folders"
if [ ! -f "$data/db-100k/FOLDERS" ]; then
    "$build/bin/vireo-bench-gendb" "$data/db-100k"
fi
VIREO_BENCH_DB="$data/db-100k" "$build/bin/vireo-bench-store" --benchmark_min_time=1
VIREO_BENCH_DB="$data/db-100k" "$build/bin/vireo-bench-store" --peak
