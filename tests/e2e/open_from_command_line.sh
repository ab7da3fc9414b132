#!/usr/bin/env bash
# Journey: start Lumetta with a photo named on the command line (relative to the current
# folder), and check that the window's title names it and the window shows its pixels; then
# quit without a question, since nothing was changed.
#   open_from_command_line.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 0
fi
[ -e "$bin/lumetta" ] || { echo "$bin/lumetta is missing"; exit 1; }
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xdrive.sh"
trap 'stop_lumetta; rm -rf "$work"' EXIT

mkdir -p "$work/app" "$work/photos"
cp "$bin/lumetta" "$work/app/"
# A colour nothing else on the window has.
convert -size 300x200 xc:'#FF00FF' "$work/photos/magenta day.png"

cd "$work/photos"
start_lumetta "$work/app/lumetta" "magenta day.png"
titled=""
for _ in $(seq 1 100); do
    titled=$(xdotool search --all --pid "$LUMETTA_PID" --name "^Lumetta V2\.3 - magenta day\.png$" \
        2>/dev/null | head -n1 || true)
    [ -n "$titled" ] && break
    sleep 0.1
done
[ -n "$titled" ] || { echo "the title does not name the photo: $(xdotool getwindowname "$LUMETTA_WIN")"; exit 1; }
sleep 0.5
import -window root "$out/open_from_command_line.png"
# At scale 1 the photo's 300 x 200 pixels are on the screen.
shown=$(convert "$out/open_from_command_line.png" -fill black +opaque '#FF00FF' -fill white \
    -opaque '#FF00FF' -format '%[fx:int(mean*w*h+0.5)]' info:)
[ "$shown" -ge 60000 ] || { echo "the photo is not shown ($shown magenta pixels)"; exit 1; }
quit_lumetta
grep -q "^RecentPhoto1=$work/photos/magenta day.png\$" "$work/app/Setup.ini" ||
    { echo "the photo is not in Recent Photos"; cat "$work/app/Setup.ini"; exit 1; }
echo "e2e open_from_command_line passed"
