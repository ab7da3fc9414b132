#!/usr/bin/env bash
# lumetta-batch against an ImageMagick convert pipeline doing comparable work on the same
# photos, measured in one run: 100 JPEG photos of 12 megapixels (4000 x 3000), each resized to
# fit 3000 pixels (Lanczos), framed, captioned and written as JPEG (quality 90), one photo at a
# time and two at a time. Prints the median photos per second of each and the ratios.
#
#   bench/batch_compare.sh [BIN_DIR] [ROUNDS] [PHOTOS]
#
# BIN_DIR holds lumetta-batch and the shipped library (default build/bin).
# The photos are made once in $LUMETTA_BENCH_DIR (default /tmp/lumetta-bench-batch) and kept.
# ImageMagick is Debian's /usr/bin/convert (set CONVERT to use another).
set -euo pipefail

BIN=$(cd "${1:-build/bin}" && pwd)
ROUNDS=${2:-3}
COUNT=${3:-100}
DIR=${LUMETTA_BENCH_DIR:-/tmp/lumetta-bench-batch}
CONVERT=${CONVERT:-/usr/bin/convert}
[ -x "$CONVERT" ] || CONVERT=$(command -v convert)
[ -x "$BIN/lumetta-batch" ] || { echo "no lumetta-batch in $BIN" >&2; exit 1; }

# ---- the photos: ten different ones, copied to COUNT files ----
mkdir -p "$DIR/photos"
for i in $(seq 1 10); do
    f="$DIR/source-$i.jpg"
    [ -s "$f" ] && continue
    echo "making $f" >&2
    "$CONVERT" -size 4000x3000 "gradient:#$((i % 10))7ceeb-#f0e6$((i % 10))c" \
        -attenuate 0.4 +noise Gaussian -fill "#2e8b57" \
        -draw "ellipse $((1500 + 100 * i)),2700 2500,700 0,360" -quality 92 "$f"
done
for n in $(seq 1 "$COUNT"); do
    f=$(printf '%s/photos/IMG_%04d.jpg' "$DIR" "$n")
    [ -s "$f" ] || cp "$DIR/source-$(((n - 1) % 10 + 1)).jpg" "$f"
done

# ---- the same decoration for both ----
CAPTION="Class of 2024"
cat >"$DIR/recipe.ini" <<EOF
[Resize]
fit = 3000 x 3000

[Frame]
name = framesilver

[Text]
text = $CAPTION
font = Liberation Sans
size = 48
color = white
position = 50%, 98%
anchor = bottom

[Output]
quality = 90
EOF
# ImageMagick frames the usual way: a border, then a frame picture over the whole canvas
# (3000 x 2250 plus 38 pixels on every side) with a transparent middle, composited. The frame
# picture is the same frame, put around a white picture by lumetta-batch once.
"$CONVERT" -size 3000x2250 xc:white "$DIR/white.png"
printf '[Frame]\nname = framesilver\n[Output]\nformat = png\n' >"$DIR/frame-only.ini"
"$BIN/lumetta-batch" "$DIR/frame-only.ini" "$DIR/white.png" -o "$DIR/frame" -q >/dev/null
"$CONVERT" "$DIR/frame/white.png" -alpha set \( -size 3000x2250 xc:black \) -geometry +38+38 \
    -compose DstOut -composite "$DIR/overlay.png"
magick_one() {
    "$CONVERT" "$1" -filter Lanczos -resize 3000x3000 -bordercolor white -border 38 \
        "$DIR/overlay.png" -composite -font Liberation-Sans -pointsize 64 -fill white \
        -gravity south -annotate +0+50 "$CAPTION" -quality 90 "$2/$(basename "$1")"
}
export -f magick_one
export CONVERT DIR CAPTION

now() { date +%s%N; }
# rate START END: photos per second.
rate() { awk -v s="$1" -v e="$2" -v n="$COUNT" 'BEGIN { printf "%.3f", n / ((e - s) / 1e9) }'; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ours1="" ours2="" im1="" im2="" oursPhoto="" imPhoto=""
for r in $(seq 1 "$ROUNDS"); do
    for j in 1 2; do
        rm -rf "$DIR/out-lumetta"
        s=$(now)
        "$BIN/lumetta-batch" "$DIR/recipe.ini" "$DIR/photos" -o "$DIR/out-lumetta" -j "$j" \
            >"$DIR/lumetta.log"
        e=$(now)
        v=$(rate "$s" "$e")
        echo "round $r lumetta-batch -j $j: $v photos/s" >&2
        if [ "$j" = 1 ]; then
            ours1="$ours1 $v"
            # The seconds on each photo's line.
            oursPhoto="$oursPhoto $(awk '/ -> / { printf "%s ", $(NF - 1) }' "$DIR/lumetta.log")"
        else
            ours2="$ours2 $v"
        fi

        rm -rf "$DIR/out-magick"
        mkdir -p "$DIR/out-magick"
        s=$(now)
        if [ "$j" = 1 ]; then
            for f in "$DIR"/photos/*.jpg; do
                ps=$(now)
                magick_one "$f" "$DIR/out-magick"
                imPhoto="$imPhoto $(awk -v s="$ps" -v e="$(now)" 'BEGIN { printf "%.3f", (e - s) / 1e9 }')"
            done
        else
            ls "$DIR"/photos/*.jpg | xargs -P "$j" -I{} bash -c 'magick_one "$1" "$DIR/out-magick"' _ {}
        fi
        e=$(now)
        v=$(rate "$s" "$e")
        echo "round $r convert x $j: $v photos/s" >&2
        if [ "$j" = 1 ]; then im1="$im1 $v"; else im2="$im2 $v"; fi
    done
done

m1=$(echo "$ours1" | median)
m2=$(echo "$ours2" | median)
c1=$(echo "$im1" | median)
c2=$(echo "$im2" | median)
echo "photos: $COUNT x 4000 x 3000 JPEG, rounds: $ROUNDS, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "lumetta-batch -j 1 (median of rounds, photos/s): $m1"
echo "lumetta-batch -j 2 (median of rounds, photos/s): $m2"
echo "convert one at a time (median of rounds, photos/s): $c1"
echo "convert two at a time (median of rounds, photos/s): $c2"
awk -v a="$m1" -v b="$c1" 'BEGIN { printf "ratio lumetta / convert, one at a time: %.2f\n", a / b }'
awk -v a="$m2" -v b="$c2" 'BEGIN { printf "ratio lumetta / convert, two at a time: %.2f\n", a / b }'
echo "median seconds per photo, one at a time: lumetta-batch $(echo "$oursPhoto" | median), convert $(echo "$imPhoto" | median)"
echo "outputs to look at: $DIR/out-lumetta and $DIR/out-magick"
