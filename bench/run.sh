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

echo "== Bookmark file import, export and find: 100,000 bookmarks in 2,000 folders"
if [ ! -f "$data/bookmarks-100k.html" ]; then
    "$build/bin/vireo-bench-gen-netscape" "$data/bookmarks-100k.html"
fi
VIREO_BENCH_NETSCAPE="$data/bookmarks-100k.html" "$build/bin/vireo-bench-interchange" --benchmark_min_time=1
VIREO_BENCH_NETSCAPE="$data/bookmarks-100k.html" "$build/bin/vireo-bench-interchange" --peak
echo "(bench/compare.sh $build times vireo-cli against another bookmark manager on the same file)"

echo
echo "== Browser import: the same 100,000 bookmarks from a Netscape file, places.sqlite and a Chromium Bookmarks file"
VIREO_BENCH_BROWSER_DIR="$data/browser-100k" "$build/bin/vireo-bench-browser-import"

echo
echo "== Web search: filing 1,000 hits (1,200 before duplicates) into the 100,000-bookmark database"
VIREO_BENCH_DB="$data/db-100k" "$build/bin/vireo-bench-search"
echo
echo "== Sync: 10,000 bookmarks, 100 changes on each side, through rclone serve webdav on loopback (target: under 2 s)"
"$build/bin/vireo-bench-sync"
echo "== Link check: vireo-cli check-links --mark over 50 loopback sites answering after 50 ms, 10 % dead"
# The default of 128 pages at once (at most 4 from one site), then the same runs four at a
# time; and how soon a check stops after Ctrl+C.
for links in 2000 20000; do
    for jobs in 128 4; do
        "$build/bin/vireo-bench-linkcheck" --cli "$build/bin/vireo-cli" --links "$links" --jobs "$jobs"
    done
done
"$build/bin/vireo-bench-linkcheck" --cli "$build/bin/vireo-cli" --links 2000 --cancel-after-ms 400

echo
echo "== Settings: reading and changing options in a hive of 600 values"
"$build/bin/vireo-bench-settings"

echo
echo "== Web search: a whole search of twelve loopback engines, each answering after 100 ms with 300 KB"
"$build/bin/vireo-bench-search-whole"
echo "== Web search: whole vireo-cli search processes over loopback engines answering after 50 ms"
# 13 engines with one page each and with five pages each, and 50 engines with one page.
for shape in "13 1" "13 5" "50 1"; do
    set -- $shape
    "$build/bin/vireo-bench-search-whole" --cli "$build/bin/vireo-cli" --engines "$1" --pages "$2" \
        --delay-ms 50 --page-kb 8 --runs 10
    "$build/bin/vireo-bench-search-whole" --engines "$1" --pages "$2" --delay-ms 50 --page-kb 8 --runs 10
done

echo
echo "== Web search: the hits of one 1 MB result page (HTML and JSON, and one of every shipped engine, the shipped rules)"
"$build/bin/vireo-bench-extract" --benchmark_min_time=1

echo
echo "== Main window (offscreen)"
if [ -x "$build/bin/vireo-bench-mainwindow" ]; then
    QT_QPA_PLATFORM=offscreen "$build/bin/vireo-bench-mainwindow"
    # Measured in fresh processes, as a user starts the program.
    for i in 1 2 3 4 5; do
        QT_QPA_PLATFORM=offscreen "$build/bin/vireo-bench-mainwindow" --startup "$data/db-100k"
    done
fi
