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

source scripts/xdrive.sh
cleanup() {
    stop_lumetta
    stop_xvfb
}
trap cleanup EXIT
start_lumetta "$bin/lumetta"
win=$LUMETTA_WIN
[ -n "$photo" ] && open_photo "$photo"
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
