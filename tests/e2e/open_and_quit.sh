#!/usr/bin/env bash
# Journey: start Lumetta in a fresh program folder, open a photo through the open dialog with
# real keystrokes, quit with Ctrl+X, and check that Setup.ini was written with the folder of
# the photo and the window's size.
#   open_and_quit.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
pid=""

if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 0
fi

# A program folder of its own, so the test never touches build/bin/Setup.ini.
mkdir -p "$work/app" "$work/photos"
cp "$bin/lumetta" "$work/app/"
for f in libraryfull.phd library.phi; do [ -e "$bin/$f" ] && cp "$bin/$f" "$work/app/"; done
[ -d "$bin/Desktop" ] && cp -r "$bin/Desktop" "$work/app/"
convert -size 320x200 gradient:orange-navy "$work/photos/sunset.jpg"

"$work/app/lumetta" &
pid=$!
win=""
for _ in $(seq 1 300); do
    win=$(xdotool search --pid "$pid" --name "^Lumetta V2.3$" 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "window did not appear"; exit 1; }
sleep 0.5
xdotool windowfocus "$win" || true
xdotool key --clearmodifiers ctrl+o
sleep 1
xdotool type --delay 2 "$work/photos/sunset.jpg"
xdotool key Return
sleep 1
import -window root "$out/open_and_quit.png" || true
xdotool windowfocus "$win" || true
xdotool key --clearmodifiers ctrl+x
for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "Lumetta did not end on Ctrl+X"
    exit 1
fi
wait "$pid" || { echo "Lumetta exited with an error"; exit 1; }
pid=""

ini="$work/app/Setup.ini"
[ -f "$ini" ] || { echo "Setup.ini was not written"; exit 1; }
cat "$ini"
grep -q "^ScrIniPath=$work/photos\$" "$ini" || { echo "ScrIniPath is not the photo's folder"; exit 1; }
grep -q '^WinState=0' "$ini" || { echo "WinState missing"; exit 1; }
grep -q '^WinWidth=' "$ini" || { echo "WinWidth missing"; exit 1; }
echo "e2e open_and_quit passed"
