#!/usr/bin/env bash
# Journey: copy a picture with transparent parts in one Lumetta, paste it in a second one that
# is running at the same time, copy it there again, and read the clipboard from outside: the
# alpha block holds the first picture's alpha exactly, and so does the PNG other programs read.
# Then the other way: a PNG with transparent corners put on the clipboard by xclip is pasted,
# and copied again its alpha is the PNG's. Screenshots of both windows are kept in OUT_DIR.
#   clipboard_two_processes.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi
if ! command -v xclip >/dev/null; then
    echo "xclip is missing: skipped"
    exit 77
fi
[ -e "$bin/lumetta" ] || { echo "$bin/lumetta is missing"; exit 1; }
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xdrive.sh"
first_pid=""
stop_both() {
    stop_lumetta
    if [ -n "$first_pid" ]; then
        LUMETTA_PID=$first_pid
        stop_lumetta
    fi
    rm -rf "$work"
}
trap stop_both EXIT
for app in first second; do
    mkdir -p "$work/$app"
    cp "$bin/lumetta" "$work/$app/"
done
# Three bands: opaque red, half-transparent blue, fully transparent green.
convert -size 20x40 xc:'rgba(255,0,0,1)' -size 20x40 xc:'rgba(0,0,255,0.5)' \
    -size 20x40 xc:'rgba(0,255,0,0)' +append PNG32:"$work/bands.png"
convert -size 200x150 gradient:orange-navy "$work/photo.jpg"
alpha_mime='application/x-qt-windows-mime;value="Quorlin"'

# The Copy and Paste buttons of the edit tools, relative to the window's top-left corner.
click_tool() {
    eval "$(xdotool getwindowgeometry --shell "$LUMETTA_WIN")"
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
    sleep 0.8
}
copy_button() { click_tool 50 146; }
paste_button() { click_tool 80 146; }

start_lumetta "$work/first/lumetta"
first_pid=$LUMETTA_PID
first_win=$LUMETTA_WIN
open_photo "$work/bands.png"
# A busy machine may take a while to repaint and answer: press Copy again if nothing came.
offers_alpha() {
    for _ in $(seq 1 40); do
        xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qxF "$alpha_mime" && return 0
        sleep 0.25
    done
    return 1
}
copy_button
offers_alpha || { copy_button; offers_alpha; } ||
    { echo "the first Lumetta offers no alpha entry"; exit 1; }
import -window root "$out/clipboard_copied.png"

start_lumetta "$work/second/lumetta"
open_photo "$work/photo.jpg"
paste_button
copy_button
import -window root "$out/clipboard_pasted.png"

# The second Lumetta now owns the clipboard: its alpha block is the bands' alpha.
{ printf '\x60\x09\x00\x00'; convert "$work/bands.png" -alpha extract -depth 8 gray:-; } >"$work/expected"
xclip -selection clipboard -t "$alpha_mime" -o >"$work/block"
cmp "$work/expected" "$work/block" || { echo "the alpha block differs"; exit 1; }
xclip -selection clipboard -t image/png -o >"$work/seen.png"
[ "$(identify -format '%wx%h' "$work/seen.png")" = 60x40 ] || { echo "wrong picture size"; exit 1; }
{ printf '\x60\x09\x00\x00'; convert "$work/seen.png" -alpha extract -depth 8 gray:-; } >"$work/seen_alpha"
cmp "$work/expected" "$work/seen_alpha" || { echo "the PNG does not carry the alpha"; exit 1; }

# Another program's PNG with transparent corners, and no alpha block beside it.
convert -size 30x20 xc:'rgba(0,0,0,0)' -fill 'rgba(0,128,0,1)' -draw 'circle 15,10 15,1' \
    PNG32:"$work/corners.png"
xclip -selection clipboard -t image/png -i "$work/corners.png"
sleep 0.3
paste_button
import -window root "$out/clipboard_from_xclip.png"
copy_button
offers_alpha || { echo "the second Lumetta did not copy again"; exit 1; }
{ printf '\x58\x02\x00\x00'; convert "$work/corners.png" -alpha extract -depth 8 gray:-; } >"$work/expected_corners"
xclip -selection clipboard -t "$alpha_mime" -o >"$work/block_corners"
cmp "$work/expected_corners" "$work/block_corners" ||
    { echo "the corners of the pasted PNG did not stay transparent"; exit 1; }
# The paste is unsaved work in the second one.
quit_lumetta discard
LUMETTA_PID=$first_pid
LUMETTA_WIN=$first_win
first_pid=""
quit_lumetta
echo "e2e clipboard_two_processes passed; screenshots in $out"
