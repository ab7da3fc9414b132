#!/usr/bin/env bash
# Fetches the PngSuite - the PNG test pictures, among them the damaged x*.png files - from the
# Debian source package of a PNG library, and writes a reference rendering of every picture
# that is not damaged, for tests/pngsuite (ctest "pngsuite"). Nothing of it is committed.
#   scripts/fetch-pngsuite.sh [FOLDER]      (default .cache/pngsuite)
# Needs the archive's source lines: when apt knows no source packages, a deb-src entry for the
# same archive and suites as the configured binary entries is added. The references are made
# with pypng (python3-png), a PNG reader independent of libpng: every sample scaled to 8 bits
# (16-bit samples by their high byte) and the transparency chunk turned into alpha, with gamma,
# significant bits and background chunks ignored, as Lumetta reads PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-.cache/pngsuite}
package=libspng # its test pictures are the whole PngSuite

if [ -f "$dest/complete" ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# Debian's own Python, where Debian's python3-png goes (not another one earlier in PATH).
py=/usr/bin/python3
need=()
command -v dpkg-source >/dev/null || need+=(dpkg-dev)
[ -x "$py" ] || need+=(python3)
"$py" -c 'import png' 2>/dev/null || need+=(python3-png)
if [ ${#need[@]} -gt 0 ]; then
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if ! apt-cache showsrc "$package" 2>/dev/null | grep -q "^Package: $package"; then
    list=/etc/apt/sources.list.d/lumetta-deb-src.sources
    echo "Adding source lines for the configured archive: $list"
    # deb822 files: every "Types: deb" stanza again as deb-src.
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] && [ "$f" != "$list" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*deb([ \t]|$|\n)/ && !/Enabled: *no/ {
                 sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$tmp"
    done
    # One-line files.
    if [ -f /etc/apt/sources.list ]; then
        grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            awk '{ print "Types: deb-src\nURIs: " $2 "\nSuites: " $3 "\nComponents:"; for (i = 4; i <= NF; ++i) printf " %s", $i; print "\n" }' >>"$tmp" || true
    fi
    # Only Debian's own archive.
    awk 'BEGIN { RS = ""; ORS = "\n\n" } /debian\.org/' "$tmp" | $SUDO tee "$list" >/dev/null
    rm -f "$tmp"
    $SUDO apt-get update -q
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only "$package" >/dev/null 2>&1) || {
    echo "Cannot fetch the source package $package" >&2
    exit 1
}
orig=$(ls "$work"/"$package"_*.orig.tar.* | head -n 1)
mkdir -p "$work/x"
tar -xf "$orig" -C "$work/x" --wildcards '*/tests/images/*'
images=$(find "$work/x" -type d -path '*/tests/images' | head -n 1)
[ -n "$images" ] && ls "$images"/basn0g01.png >/dev/null || {
    echo "The source package holds no PngSuite" >&2
    exit 1
}
rm -rf "$dest"
mkdir -p "$dest"
cp "$images"/*.png "$dest"/
cp "$images"/PngSuite.* "$dest"/ 2>/dev/null || true

"$py" - "$dest" <<'PY'
import os, struct, sys
import png

def scale(v, depth):
    if depth == 16:
        return v >> 8
    if depth == 8:
        return v
    return v * 255 // ((1 << depth) - 1)

folder = sys.argv[1]
made = 0
for name in sorted(os.listdir(folder)):
    if not name.endswith('.png') or name.startswith('x'):
        continue
    r = png.Reader(filename=os.path.join(folder, name))
    w, h, rows, info = r.read()
    depth = info['bitdepth']
    planes = info['planes']
    key = info.get('transparent')
    if key is not None and not isinstance(key, tuple):
        key = (key,)
    indexed = not info['greyscale'] and planes == 1
    palette = r.palette(alpha='force') if indexed else None
    out = bytearray(struct.pack('<II', w, h))
    for row in rows:
        row = list(row)
        for x in range(w):
            px = tuple(row[x * planes:(x + 1) * planes])
            if indexed:
                rr, gg, bb, aa = palette[px[0]]
            else:
                colours = 1 if info['greyscale'] else 3
                c = [scale(v, depth) for v in px[:colours]]
                rr, gg, bb = (c[0], c[0], c[0]) if colours == 1 else c
                if planes > colours:
                    aa = scale(px[colours], depth)
                else:
                    aa = 0 if key is not None and px[:colours] == key else 255
            out += bytes((bb, gg, rr, aa))
    with open(os.path.join(folder, name[:-4] + '.bgra'), 'wb') as f:
        f.write(out)
    made += 1
print('PngSuite: %d reference renderings' % made)
PY
date >"$dest/complete"
echo "PngSuite in $dest"
