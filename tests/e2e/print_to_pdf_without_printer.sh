#!/usr/bin/env bash
# Journey: with no printer installed, print a photo. Ctrl+P shows the print preview, Ctrl+P again
# offers "Save as PDF…" proposing the photo's name; Return writes the PDF. Its first sheet,
# rasterised with pdftoppm at 100 dots per inch, must carry the photo where the preview shows
# it: the default A4 page at 300 dots per inch with margins of 40 dots, a 400 x 300 photo across
# the printable width and centred down the sheet.
#   print_to_pdf_without_printer.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 0
fi
command -v pdftoppm >/dev/null || { echo "pdftoppm is missing (poppler-utils)"; exit 1; }
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xdrive.sh"
trap 'stop_lumetta; rm -rf "$work"' EXIT
mkdir -p "$work/app" "$work/photos"
cp "$bin/lumetta" "$work/app/"
for f in libraryfull.phd library.phi; do [ -e "$bin/$f" ] && cp "$bin/$f" "$work/app/"; done
[ -d "$bin/Desktop" ] && cp -r "$bin/Desktop" "$work/app/"
convert -size 400x300 'xc:rgb(200,30,40)' "$work/photos/card.png"

# No print server answers here, so no printer is installed whatever the machine has.
export CUPS_SERVER="$work/no-cups-socket"
start_lumetta "$work/app/lumetta"
open_photo "$work/photos/card.png"
xdotool key --clearmodifiers ctrl+p
sleep 1
xdotool key --clearmodifiers ctrl+p
dialog=$(wait_window "Save as PDF…") || { echo "Save as PDF… did not appear"; exit 1; }
sleep 0.5
import -window root "$out/print_to_pdf_dialog.png" || true
xdotool windowfocus --sync "$dialog" 2>/dev/null || xdotool windowfocus "$dialog" || true
xdotool key Return
pdf="$work/photos/card.pdf"
for _ in $(seq 1 100); do
    [ -s "$pdf" ] && break
    sleep 0.1
done
[ -s "$pdf" ] || { echo "$pdf was not written"; exit 1; }
sleep 0.5
import -window root "$out/print_to_pdf_preview.png" || true
quit_lumetta

pdftoppm -r 100 -png -singlefile -f 1 -l 1 "$pdf" "$work/sheet"
cp "$work/sheet.png" "$out/print_to_pdf_sheet.png"
size=$(identify -format '%wx%h' "$work/sheet.png")
# The red photo's bounding box: everything else made white, then trimmed away.
box=$(convert "$work/sheet.png" -fuzz 15% -fill white +opaque 'rgb(200,30,40)' -format '%@' info:)
echo "sheet $size, photo at $box"
# 2400 x 1800 dots from (40, 853) at 300 dots per inch: 800 x 600 from (13.3, 284.3) at 100.
[[ "$size" =~ ^82[67]x11(69|70)$ ]] || { echo "the sheet is not A4"; exit 1; }
[[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || { echo "no photo on the sheet"; exit 1; }
near() { [ $(($1 - $2)) -le 1 ] && [ $(($2 - $1)) -le 1 ]; }
near "${BASH_REMATCH[1]}" 800 && near "${BASH_REMATCH[2]}" 600 &&
    near "${BASH_REMATCH[3]}" 13 && near "${BASH_REMATCH[4]}" 284 ||
    { echo "the photo is not where the preview shows it"; exit 1; }
echo "e2e print_to_pdf_without_printer passed"
