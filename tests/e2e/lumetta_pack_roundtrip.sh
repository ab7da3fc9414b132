#!/usr/bin/env bash
# Round trips through the lumetta-pack utility, without a display:
#  - a container built from a folder of PNG pictures lists and extracts to the same bytes;
#  - an object pack built from a folder tree lists and extracts to the same tree;
#  - mistakes are reported on stderr with status 1 and leave no output file behind.
#   lumetta_pack_roundtrip.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"
tool="$bin/lumetta-pack"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs a command that must fail with status 1 and a message on stderr.
must_fail() {
    local status=0
    "$@" >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" -eq 1 ] || fail "expected status 1 from: $* (got $status)"
    [ -s "$work/stderr" ] || fail "no message on stderr from: $*"
}

"$tool" --help | grep -q "lumetta-pack container OUT.phd FOLDER" || fail "--help"
"$tool" help | grep -q "Example:" || fail "help"
"$tool" | grep -q "lumetta-pack extract FILE DEST" || fail "no arguments"

# ---- container ----
mkdir -p "$work/objects"
convert -size 40x30 gradient:red-blue "PNG32:$work/objects/FrameOak.PNG"
convert -size 17x9 xc:none -fill green -draw "circle 8,4 8,1" "PNG32:$work/objects/clipartsun.png"
convert -size 1x1 xc:white "$work/objects/mask1.png"
echo "not a picture" >"$work/objects/readme.txt"

"$tool" container "$work/library.phd" "$work/objects" >/dev/null
"$tool" list "$work/library.phd" >"$work/list.txt"
cp "$work/list.txt" "$out/container-list.txt"
awk '{print $2}' "$work/list.txt" >"$work/names.txt"
printf '%s\n' clipartsun.png frameoak.png mask1.png | cmp - "$work/names.txt" ||
    fail "container entries: $(cat "$work/list.txt")"
size=$(awk '$2 == "frameoak.png" {print $1}' "$work/list.txt")
[ "$size" -eq "$(stat -c %s "$work/objects/FrameOak.PNG")" ] || fail "listed size"

"$tool" extract "$work/library.phd" "$work/unpacked" >/dev/null
cmp "$work/objects/FrameOak.PNG" "$work/unpacked/frameoak.png" || fail "frameoak.png differs"
cmp "$work/objects/clipartsun.png" "$work/unpacked/clipartsun.png" || fail "clipartsun.png"
cmp "$work/objects/mask1.png" "$work/unpacked/mask1.png" || fail "mask1.png differs"
[ "$(ls -A "$work/unpacked" | wc -l)" -eq 3 ] || fail "extra files extracted"

# A renamed container is recognised by its contents.
cp "$work/library.phd" "$work/library.bin"
"$tool" list "$work/library.bin" | cmp - "$work/list.txt" || fail "container by contents"

# Refusals leave no output file.
cp "$work/objects/readme.txt" "$work/objects/fake.png"
must_fail "$tool" container "$work/bad.phd" "$work/objects"
grep -q "fake.png" "$work/stderr" || fail "non-PNG message: $(cat "$work/stderr")"
rm "$work/objects/fake.png"
long=$(printf 'x%.0s' $(seq 1 41)).png
cp "$work/objects/mask1.png" "$work/objects/$long"
must_fail "$tool" container "$work/bad.phd" "$work/objects"
grep -q "longer than 40 bytes" "$work/stderr" || fail "long-name message"
[ ! -e "$work/bad.phd" ] || fail "partial container left behind"
rm "$work/objects/$long"

# ---- object pack ----
src="$work/tree"
mkdir -p "$src/Data" "$src/Desktop/Extra"
cp "$work/objects/FrameOak.PNG" "$src/Data/FrameOak.jpg"
head -c 5000 /dev/urandom >"$src/Desktop/Extra/noise.bin"
: >"$src/Desktop/empty.dat"
printf '[Frames]\nframeoak=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n' >"$src/library.phi"

"$tool" pack "$work/frames_v3.psp" "$src" >/dev/null
"$tool" list "$work/frames_v3.psp" >"$work/plist.txt"
cp "$work/plist.txt" "$out/pack-list.txt"
awk '{print $3}' "$work/plist.txt" | sort >"$work/pnames.txt"
(cd "$src" && find . -type f | sed 's|^\./||' | sort) | cmp - "$work/pnames.txt" ||
    fail "pack paths: $(cat "$work/plist.txt")"
[ "$(awk '$3 == "Desktop/Extra/noise.bin" {print $1}' "$work/plist.txt")" -eq 5000 ] ||
    fail "pack listed size"

mkdir -p "$work/app/Data"
echo "stale" >"$work/app/Data/FrameOak.jpg"
"$tool" extract "$work/frames_v3.psp" "$work/app" >/dev/null
diff -r "$src" "$work/app" || fail "extracted tree differs"

# Packing again into the folder itself does not pack the old pack.
cp "$work/frames_v3.psp" "$src/self.psp"
"$tool" pack "$src/self.psp" "$src" >/dev/null
"$tool" list "$src/self.psp" | grep -q "self.psp" && fail "pack contains itself"

# A damaged pack is refused before anything is written.
head -c 30 "$work/frames_v3.psp" >"$work/cut.psp"
must_fail "$tool" extract "$work/cut.psp" "$work/fresh"
grep -q "Stream read error" "$work/stderr" || fail "cut pack message: $(cat "$work/stderr")"
[ ! -e "$work/fresh" ] || fail "cut pack created files"

# A folder inside DEST that is a link is never followed: nothing lands where it points.
mkdir -p "$work/elsewhere" "$work/linked"
ln -s "$work/elsewhere" "$work/linked/Desktop"
must_fail "$tool" extract "$work/frames_v3.psp" "$work/linked"
grep -q "leads outside the target folder" "$work/stderr" ||
    fail "link message: $(cat "$work/stderr")"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "extract wrote through a link"

# Command-line mistakes.
must_fail "$tool" frobnicate
must_fail "$tool" pack "$work/x.psp"
must_fail "$tool" pack "$work/x.psp" "$work/no-such-folder"
must_fail "$tool" list "$work/no-such-file.psp"
[ ! -e "$work/x.psp" ] || fail "failed pack left a file"

echo "lumetta-pack round trips passed"
