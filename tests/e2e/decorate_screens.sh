#!/usr/bin/env bash
# Journey: open a photo, apply a frame from the library by double-clicking its thumbnail, then
# add a text layer and two clip-art layers and drag one aside; screenshots of both states are
# kept in OUT_DIR for a person to look at. Ctrl+X with that unsaved work asks, and Cancel keeps
# the window; Save, Frame and Save again write the layers both times; then Ctrl+X quits.
#   decorate_screens.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi
for f in lumetta libraryfull.phd library.phi; do
    [ -e "$bin/$f" ] || { echo "$bin/$f is missing"; exit 1; }
done
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xdrive.sh"
trap 'stop_lumetta; rm -rf "$work"' EXIT
mkdir -p "$work/app"
cp -r "$bin/lumetta" "$bin/libraryfull.phd" "$bin/library.phi" "$bin/Data" "$bin/Desktop" "$work/app/"
convert -size 480x360 gradient:'#87ceeb'-'#f0e68c' -fill '#2e8b57' \
    -draw "ellipse 240,330 300,80 0,360" -fill '#ffd700' -draw "circle 360,90 360,50" \
    "$work/photo.jpg"

start_lumetta "$work/app/lumetta"
win=$LUMETTA_WIN
eval "$(xdotool getwindowgeometry --shell "$win")" # X, Y: the window's top-left corner
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }

open_photo "$work/photo.jpg"

# Frames: double-click the first thumbnail.
xdotool key --clearmodifiers ctrl+alt+f
sleep 0.8
at 73 125
xdotool click --repeat 2 --delay 80 1
sleep 1
import -window root "$out/frame_applied.png"

# Clip art: a line of text, then two pictures; the second is dragged to the right.
xdotool key --clearmodifiers ctrl+alt+c
sleep 0.8
at 490 45
xdotool click 1
sleep 0.8
xdotool type --delay 20 "Happy days"
xdotool key Return
sleep 0.5
at 73 125
xdotool click --repeat 2 --delay 80 1
sleep 0.8
at 73 223
xdotool click --repeat 2 --delay 80 1
sleep 0.8
# The pictures sit at the centre of the preview; drag the selected one 150 pixels right.
at 420 310
xdotool mousedown 1
for dx in 30 60 90 120 150; do at $((420 + dx)) 310; sleep 0.05; done
xdotool mouseup 1
sleep 0.8
import -window root "$out/clipart_and_text.png"

# Unsaved work: Ctrl+X asks, and Cancel (Escape) keeps the window and the work.
xdotool windowfocus "$win" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+x
question=$(wait_window Lumetta) || { echo "Ctrl+X with unsaved work did not ask"; exit 1; }
import -window root "$out/unsaved_question.png"
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key Escape
sleep 0.8
kill -0 "$LUMETTA_PID" || { echo "Cancel ended Lumetta"; exit 1; }

# The layers are saved and stay; the next mode change keeps them in the picture.
save_as "$work/first.jpg"
xdotool key --clearmodifiers ctrl+alt+f
sleep 0.8
save_as "$work/second.jpg"
import -window root "$out/after_second_save.png"
red_pixels() { convert "$1" -fx '(r>0.75&&g<0.3&&b<0.3)?1:0' -format '%[fx:round(mean*w*h)]' info:; }
[ "$(red_pixels "$work/first.jpg")" -gt 100 ] || { echo "the first file lacks the red text"; exit 1; }
cmp "$work/first.jpg" "$work/second.jpg" ||
    { echo "the second save differs from the first: a layer was lost"; exit 1; }

quit_lumetta
[ -s "$out/frame_applied.png" ] && [ -s "$out/clipart_and_text.png" ] || { echo "no screenshots"; exit 1; }
[ -f "$work/app/Setup.ini" ] || { echo "Setup.ini was not written"; exit 1; }
echo "e2e decorate_screens passed; screenshots in $out"
