# Shared by the lumetta-batch journeys (sourced, not a test itself).
#   source common.bash BIN_DIR OUT_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
tool="$bin/lumetta-batch"
[ -x "$tool" ] || { echo "no lumetta-batch in $bin" >&2; exit 1; }
work=$(mktemp -d)
cleanup_work() { rm -rf "$work"; }
trap cleanup_work EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# make_photos DIR COUNT [SCALE]: JPEG photos of several sizes, landscape and portrait, about
# 400 x 300 pixels times SCALE.
make_photos() {
    local dir=$1 count=$2 scale=${3:-1} i w h
    mkdir -p "$dir"
    for i in $(seq 1 "$count"); do
        if [ $((i % 3)) -eq 0 ]; then w=300; h=420; else w=$((400 + 16 * i)); h=300; fi
        w=$((w * scale))
        h=$((h * scale))
        convert -size "${w}x${h}" "gradient:#$((i % 10))0a0c0-#f0e0$((i % 10))0" \
            -fill "#2e8b57" -draw "circle $((w / 2)),$((h / 2)) $((w / 2 + 40 + i)),$((h / 2))" \
            -quality 92 "$dir/IMG_$(printf %04d "$i").jpg"
    done
}

# same_folders A B: the same file names with the same bytes, and nothing hidden left behind.
same_folders() {
    local a=$1 b=$2 f
    diff <(cd "$a" && ls -A) <(cd "$b" && ls -A) >&2 || fail "$a and $b hold different files"
    for f in "$a"/*; do
        cmp -s "$f" "$b/$(basename "$f")" || fail "$(basename "$f") differs between $a and $b"
    done
}

write_recipe() {
    cat >"$1" <<'RECIPE'
; Frame, logo and caption on every photo of a shoot.
[Resize]
fit = 360 x 360

[Frame]
name = framesilver

[ClipArt logo]
name = clipartstar
position = 96%, 4%
anchor = top-right
width = 18%

[Text caption]
text = Photo {n} - {name}
size = 6%
color = white
position = 50%, 96%
anchor = bottom

[Output]
quality = 85
name = {n:3}-{name}
RECIPE
}
