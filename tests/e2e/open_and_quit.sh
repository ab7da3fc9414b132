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
source "$(dirname "$0")/../../scripts/xdrive.sh"
trap 'stop_lumetta; rm -rf "$work"' EXIT

if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi

# A program folder of its own, so the test never touches build/bin/Setup.ini.
mkdir -p "$work/app" "$work/photos"
cp "$bin/lumetta" "$work/app/"
for f in libraryfull.phd library.phi; do [ -e "$bin/$f" ] && cp "$bin/$f" "$work/app/"; done
[ -d "$bin/Desktop" ] && cp -r "$bin/Desktop" "$work/app/"
convert -size 320x200 gradient:orange-navy "$work/photos/sunset.jpg"

start_lumetta "$work/app/lumetta"
open_photo "$work/photos/sunset.jpg"
import -window root "$out/open_and_quit.png" || true
quit_lumetta

ini="$work/app/Setup.ini"
[ -f "$ini" ] || { echo "Setup.ini was not written"; exit 1; }
cat "$ini"
grep -q "^ScrIniPath=$work/photos\$" "$ini" || { echo "ScrIniPath is not the photo's folder"; exit 1; }
grep -q '^WinState=0' "$ini" || { echo "WinState missing"; exit 1; }
grep -q '^WinWidth=' "$ini" || { echo "WinWidth missing"; exit 1; }
echo "e2e open_and_quit passed"
