#!/usr/bin/env bash
# Times vireo-cli against buku, Debian's command-line bookmark manager, on the same
# generated bookmark file (100,000 bookmarks in 2,000 folders) and the same word: the
# import of the file into an empty database, then a find. Whole process against whole
# process, each in a fresh folder of its own; finds take the best of three runs.
# Usage: bench/compare.sh [BUILD_DIR]   (buku is installed by scripts/install-deps --bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
scripts/install-deps --bench
cmake --build "$build" --target vireo-cli vireo-bench-gen-netscape > /dev/null

data="$build/bench-data"
file="$data/bookmarks-100k.html"
mkdir -p "$data"
[ -f "$file" ] || "$build/bin/vireo-bench-gen-netscape" "$file"
word=garden
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/buku-home"

# Runs a command with its output thrown away; prints wall seconds and peak memory (MB).
measure() {
    python3 - "$@" <<'PY'
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
_, status, usage = os.wait4(child.pid, 0)
elapsed = time.monotonic() - start
code = os.waitstatus_to_exitcode(status)
if code != 0:
    sys.exit(f"{sys.argv[1]} failed with status {code}")
print(f"{elapsed:.3f} {usage.ru_maxrss / 1024:.0f}")
PY
}

best_of_three() {
    local best="" line
    for _ in 1 2 3; do
        line=$(measure "$@")
        if [ -z "$best" ] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
            best=$line
        fi
    done
    echo "$best"
}

vireo=(env VIREO_REGISTRY="$work/registry.reg" "$build/bin/vireo-cli" --data "$work/vireo-data")
buku=(env HOME="$work/buku-home" XDG_DATA_HOME="$work/buku-home/.local/share" buku --nostdin)

echo "Bookmark file: $file ($(du -h "$file" | cut -f1)), find word: \"$word\""
vi=$(measure "${vireo[@]}" import netscape "$file")
bi=$(measure "${buku[@]}" --tacit -i "$file")
vf=$(best_of_three "${vireo[@]}" find "$word")
bf=$(best_of_three "${buku[@]}" --np --nc -s "$word")
hits_vireo=$("${vireo[@]}" find "$word" 2>/dev/null | tail -n +2 | wc -l)

printf '\n%-8s %12s %12s %10s %14s %14s\n' "" "vireo-cli s" "buku s" "speed-up" "vireo-cli MB" "buku MB"
for row in "import:$vi:$bi" "find:$vf:$bf"; do
    IFS=: read -r name v b <<< "$row"
    awk -v n="$name" -v vs="${v%% *}" -v vm="${v##* }" -v bs="${b%% *}" -v bm="${b##* }" \
        'BEGIN { printf "%-8s %12.3f %12.3f %9.1fx %14d %14d\n", n, vs, bs, bs / vs, vm, bm }'
done
echo
echo "vireo-cli found $hits_vireo bookmarks."
