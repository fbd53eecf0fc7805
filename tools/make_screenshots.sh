#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the screenshots of docs/screenshots/ from a demo database, on a virtual X display
# with a plain window manager, so that they look the same on every machine:
#   main-window.png    the main window over the demo bookmarks
#   home-page-options.png   Tools > My Homepage Options with the default scheme
#   link-check.png     Check Links over the demo folder (its pages served on loopback)
#   quick-search.png   the Search Status of a Quick Search over engines served on loopback
# Everything runs in a throw-away home; the demo links and the search engines point at a
# local web server only (the shipped engines, which name real sites, are left out).
# The pictures are written as 8-bit palette PNGs to keep them small.
# Usage: tools/make_screenshots.sh [BUILD_DIR] [OUTPUT_DIR]   (needs Xvfb, openbox,
# xdotool, ImageMagick and python3)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-$root/docs/screenshots}
display=${SCREENSHOT_DISPLAY:-:25}
port=${SCREENSHOT_PORT:-18625}

fail() { echo "make_screenshots: $*" >&2; exit 1; }
for tool in Xvfb openbox xdotool import convert python3; do
    command -v "$tool" >/dev/null || fail "$tool is needed"
done
[ -x "$build/bin/vireo" ] && [ -x "$build/bin/vireo-cli" ] || fail "build Vireo first (no $build/bin/vireo)"
mkdir -p "$out"

trial=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$trial"
}
trap cleanup EXIT

export HOME="$trial" XDG_CONFIG_HOME="$trial/config" XDG_DATA_HOME="$trial/data" \
    XDG_DOCUMENTS_DIR="$trial/Documents" XDG_RUNTIME_DIR="$trial/run" \
    VIREO_REGISTRY="$trial/registry.reg" LANG=C.UTF-8 BROWSER=
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -p "$XDG_RUNTIME_DIR" "$trial/site"
chmod 700 "$XDG_RUNTIME_DIR"

# The pages the demo links lead to; "/moved" is missing, so the check finds a dead link.
for page in garden kitchen birds maps news; do
    printf '<html><head><title>%s</title></head><body>%s</body></html>\n' "$page" "$page" \
        >"$trial/site/$page.html"
done
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$trial/site" >/dev/null 2>&1 &
pids+=($!)
site="http://127.0.0.1:$port"

# The search engines: three feeds of hits and one whose feed is gone, so that the status
# shows finished rows of different counts and a failed one. The server answers a feed
# whatever the query, which the engine's address carries.
rss() {
    local title=$1 count=$2 topic=$3 i
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>%s</title>\n' "$title"
    for i in $(seq 1 "$count"); do
        printf '<item><title>%s, part %d</title><link>%s/%s-%d.html</link>' \
            "$topic" "$i" "$site" "${topic// /-}" "$i"
        printf '<description>Notes on %s</description></item>\n' "$topic"
    done
    printf '</channel></rss>\n'
}
rss "Birdsong Library" 10 "Marsh bird songs" >"$trial/site/birdsong.rss"
rss "Wetland Atlas" 7 "Marsh walks" >"$trial/site/wetland.rss"
rss "Nature Forum" 4 "Birds seen this week" >"$trial/site/forum.rss"
# A program folder of its own: the shipped one but for its engines, which name real sites.
mkdir -p "$trial/program/engines"
for entry in "$build/share/vireo"/*; do
    [ "$(basename "$entry")" = engines ] || ln -s "$entry" "$trial/program/"
done
for engine in "birdsong:Birdsong Library" "wetland:Wetland Atlas" "forum:Nature Forum" \
    "fieldguide:Old Field Guide"; do
    cat >"$trial/program/engines/${engine%%:*}.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/">
  <ShortName>${engine#*:}</ShortName>
  <Description>${engine#*:}</Description>
  <Url type="application/rss+xml" template="$site/${engine%%:*}.rss?q={searchTerms}"/>
</OpenSearchDescription>
EOF
done
# The Quick Search first checks for engine updates: on loopback too, where there are none.
export VIREO_PROGRAM_DIR="$trial/program" VIREO_ENGINE_FEED="$site/engine-feed/index.json"

cat >"$trial/demo.htm" <<EOF
<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3>Home and Garden</H3>
    <DL><p>
        <DT><A HREF="$site/garden.html">Garden planner</A>
        <DD>Which seeds go out in which month
        <DT><A HREF="$site/kitchen.html">Kitchen notes</A>
        <DT><A HREF="$site/moved">Old recipe site</A>
    </DL><p>
    <DT><H3>Birds</H3>
    <DL><p>
        <DT><A HREF="$site/birds.html">Birds of the marsh</A>
        <DD>Songs, calls and where to look
        <DT><A HREF="$site/maps.html">Walking maps</A>
    </DL><p>
    <DT><A HREF="$site/news.html">Morning news</A>
</DL><p>
EOF

cli() { "$build/bin/vireo-cli" "$@" >/dev/null; }
cli stats
cli import netscape "$trial/demo.htm"
# Two pages of links filed in "My Homepage" (folder 4) give the home page its boxes.
for page in "Daily reading:news maps" "Garden and kitchen:garden kitchen"; do
    file="$trial/${page%%:*}.html"
    {
        echo "<html><body>"
        for link in ${page#*:}; do echo "<a href=\"$site/$link.html\">${link^}</a>"; done
        echo "</body></html>"
    } >"$file"
    cli import html "$file" --folder 4
done
cli settings set 'Software\Orn\Vireo!' ShowTips 1
cli settings set 'Software\Orn\Vireo!' DisableSound 1
# The Search Status stays open when the search is done, to be seen.
cli settings set 'Software\Orn\Vireo!\search' CloseStatus 0
# A browser of its own, so that the first start does not ask for one.
mkdir -p "$trial/bin"
printf '#!/bin/sh\nexit 0\n' >"$trial/bin/webbrowser"
chmod +x "$trial/bin/webbrowser"
cli settings set 'Software\Orn\Vireo!\browser' Which 0
cli settings set 'Software\Orn\Vireo!\browser' UserDefined "$trial/bin/webbrowser"
for v in top:60 left:80 width:1000 height:680; do
    cli settings set 'Software\Orn\Vireo!\location' "${v%%:*}" "${v##*:}"
done

Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# The first shown window whose title matches, within 30 seconds. A window that closes while
# xdotool walks the tree makes it fail with an X error: that try is repeated.
wait_window() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.1
    done
    return 1
}

"$build/bin/vireo" >/dev/null 2>&1 &
pids+=($!)
main=$(wait_window '^Vireo! Version') || fail "the main window did not show"
sleep 2

# One window, with its frame, as a small palette picture.
shot() {
    local window=$1 name=$2
    sleep 1.5
    import -frame -window "$window" +repage "$trial/$name"
    convert "$trial/$name" -strip -colors 256 "PNG8:$out/$name"
    echo "make_screenshots: $out/$name"
}

# "Home and Garden" chosen in the tree, the pointer over its first bookmark so that the
# summary shows it.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 150 400 click 1
xdotool key End Right Down
sleep 0.5
xdotool mousemove --window "$main" 420 50
sleep 0.3
xdotool mousemove --window "$main" 430 52
shot "$main" main-window.png

xdotool key alt+t m
options=$(wait_window '^HomePage Options$') || fail "HomePage Options did not show"
shot "$options" home-page-options.png
xdotool key Escape
sleep 1

xdotool windowactivate --sync "$main"
xdotool key alt+t v
check=$(wait_window 'Check Links|Verify') || fail "Check Links did not show"
sleep 4
shot "$check" link-check.png
xdotool windowactivate --sync "$check" key Escape
sleep 1

# Search > Run > Quick over the loopback engines, last: its results folder becomes the
# chosen one.
xdotool windowactivate --sync "$main"
xdotool key alt+s Return Return
wait_window '^Quick Search$' >/dev/null || fail "the Quick Search dialog did not show"
xdotool type --delay 20 "marsh birds"
xdotool key Return
status=$(wait_window '^Search Status - ') || fail "the Search Status did not show"
for _ in $(seq 300); do
    [ "$(xdotool getwindowname "$status")" = "Search Status - Search Complete" ] && break
    sleep 0.1
done
[ "$(xdotool getwindowname "$status")" = "Search Status - Search Complete" ] || fail "the search did not end"
shot "$status" quick-search.png
