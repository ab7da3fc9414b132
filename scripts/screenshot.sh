#!/usr/bin/env bash
# Starts Lumetta under X (a private Xvfb when no DISPLAY is set), optionally opens a photo and
# presses a few keys, and saves a PNG of the whole screen.
#
#   scripts/screenshot.sh OUT.png [PHOTO] [KEYS...]
#
# KEYS are xdotool key names sent after the photo is open, with a pause after each
# (e.g. ctrl+alt+f to show the frames, alt+f to open the File menu). Two other forms act
# with the mouse at a point given relative to the main window's top-left corner:
# click@X,Y and dblclick@X,Y. "type@TEXT" types text.
# Set LUMETTA_BIN to use another build folder (default build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: scripts/screenshot.sh OUT.png [PHOTO] [KEYS...]}
shift
photo=${1:-}
[ $# -gt 0 ] && shift
bin=${LUMETTA_BIN:-build/bin}
if [ ! -x "$bin/lumetta" ]; then
    bash scripts/install-deps.sh
    bash scripts/build.sh build
fi
out=$(realpath -m "$out")
[ -n "$photo" ] && photo=$(realpath "$photo")

source scripts/xvfb.sh
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    trap stop_xvfb EXIT
fi

"$bin/lumetta" &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    stop_xvfb
}
trap cleanup EXIT

win=""
for _ in $(seq 1 300); do
    win=$(xdotool search --pid "$pid" --name "^Lumetta V2.3$" 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
done
if [ -z "$win" ]; then
    echo "Lumetta's window did not appear" >&2
    exit 1
fi
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win" || true

if [ -n "$photo" ]; then
    xdotool key --clearmodifiers ctrl+o
    sleep 1.0
    xdotool type --delay 2 "$photo"
    xdotool key Return
    sleep 1.0
    xdotool windowfocus "$win" 2>/dev/null || true
fi
for key in "$@"; do
    case "$key" in
    click@* | dblclick@*)
        xy=${key#*@}
        eval "$(xdotool getwindowgeometry --shell "$win")"
        xdotool mousemove $((X + ${xy%,*})) $((Y + ${xy#*,}))
        if [ "${key%%@*}" = dblclick ]; then
            xdotool click --repeat 2 --delay 80 1
        else
            xdotool click 1
        fi
        ;;
    type@*) xdotool type --delay 20 "${key#type@}" ;;
    *) xdotool key --clearmodifiers "$key" ;;
    esac
    sleep 0.7
done
sleep 0.3
import -window root "$out"
echo "$out"
