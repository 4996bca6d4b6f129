#!/usr/bin/env bash
# Uses the window as a person does, through the X display: starts
# build/Varnelo.exe on a fresh tree, types a pattern and a template with
# xdotool, presses Enter and "Start !", and keeps screenshots of the window
# before and after the run as build/window-before.png and build/window-after.png,
# then of the item menu and a tip (build/window-menu.png, build/window-tip.png).
# Needs DISPLAY set to an Xvfb display and the Wine exports of wine-setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-setup.sh
work=$(mktemp -d)
mkdir -p "$work/prog" "$work/data/sub"
cp build/Varnelo.exe "$work/prog/"
for f in a.txt b.txt c.doc sub/d.txt; do echo x > "$work/data/$f"; done
"$VARNELO_WINE64" "$work/prog/Varnelo.exe" -l File "Z:${work//\//\\}\\data" &
pid=$!
for _ in $(seq 100); do
    window=$(xdotool search --name '^Varnelo$' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "no window" >&2; kill "$pid"; exit 1; }
sleep 1
xdotool type '*.txt'; xdotool key Return Tab Tab
xdotool type 'new_%0.txt'; xdotool key Return
sleep 1
import -window root build/window-before.png
xdotool key Tab Tab Tab Tab space
for _ in $(seq 100); do [ -e "$work/data/new_b.txt" ] && break; sleep 0.1; done
sleep 1
import -window root build/window-after.png
# The item menu at the first row, and a tip where the pointer rests.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 120)) $((Y + 118)) click 3
sleep 1
import -window root build/window-menu.png
xdotool key Escape
xdotool mousemove $((X + 150)) $((Y + 118))
sleep 2
import -window root build/window-tip.png
ls -R "$work/data"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
rm -rf "$work"
