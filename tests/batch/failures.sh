#!/usr/bin/env bash
# Photos that cannot be decorated are reported with their reason and do not stop the others;
# the exit status tells; outputs are whole files even when a run is interrupted, and
# --skip-existing resumes it.
#   failures.sh BIN_DIR OUT_DIR
source "$(dirname "$0")/common.bash"

make_photos "$work/shoot" 6
write_recipe "$work/recipe.ini"
printf 'not a picture at all' >"$work/shoot/IMG_0007.jpg"
head -c 2000 "$work/shoot/IMG_0001.jpg" >"$work/shoot/IMG_0008.jpg" # cut short
# A PNG that claims 20000 x 20000 pixels: refused before any memory is taken.
python3 - "$work/shoot/IMG_0009.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 20000, 20000, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"\0" * 64)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY

status=0
"$tool" "$work/recipe.ini" "$work"/shoot/IMG_000{1..9}.* "$work/shoot/IMG_0011.jpg" -o "$work/out" >"$work/run.log" 2>"$work/run.err" || status=$?
[ "$status" -eq 1 ] || fail "exit status $status with failed photos, expected 1"
for i in 1 2 3 4 5 6; do
    f=$(printf '%03d-IMG_%04d.jpg' "$i" "$i")
    [ -s "$work/out/$f" ] || fail "$f was not written"
    convert "$work/out/$f" info: >/dev/null 2>&1 || fail "$f is not a whole JPEG"
done
[ "$(ls -A "$work/out" | wc -l)" -eq 6 ] || fail "files other than the 6 decorated photos in out/"
grep -q 'IMG_0007.jpg failed: .*not a valid JPEG' "$work/run.err" || fail "no reason for the non-picture"
grep -q 'IMG_0008.jpg failed: .*ends early' "$work/run.err" || fail "no reason for the cut file"
grep -q 'IMG_0009.png failed: .*too large to open (20000 x 20000 pixels)' "$work/run.err" ||
    fail "no reason for the huge picture"
grep -q 'IMG_0011.jpg failed: Cannot open file .*No such file or directory' "$work/run.err" ||
    fail "no reason for the missing photo"
grep -q 'Decorated 6 of 10 photos .*; 4 failed' "$work/run.log" || fail "wrong summary"
grep -q '^Failed photos:' "$work/run.err" || fail "no list of failures"

# Mistakes that stop everything before the first photo: status 2, nothing written.
expect_refusal() {
    local status=0
    "$@" >"$work/refusal.log" 2>&1 || status=$?
    [ "$status" -eq 2 ] || fail "status $status for: $*"
    grep -q '^lumetta-batch: ' "$work/refusal.log" || fail "no message for: $*"
}
printf '[Frame]\nname = framenothere\n' >"$work/bad.ini"
expect_refusal "$tool" "$work/bad.ini" "$work/shoot/IMG_0001.jpg" -o "$work/refused"
printf '[Frame]\nnmae = framesilver\n' >"$work/typo.ini"
expect_refusal "$tool" "$work/typo.ini" "$work/shoot/IMG_0001.jpg" -o "$work/refused"
expect_refusal "$tool" "$work/recipe.ini" "$work/shoot/IMG_0001.jpg" -o "$work/refused" --shard 3/2
[ ! -e "$work/refused" ] || fail "a refused run created its output folder"

# An interrupted run leaves only whole files; a resumed one finishes the set.
make_photos "$work/many" 24 3
"$tool" "$work/recipe.ini" "$work/many" -o "$work/reference" -q
"$tool" "$work/recipe.ini" "$work/many" -o "$work/resumed" -j 1 >"$work/int.log" &
pid=$!
for _ in $(seq 1 500); do
    [ "$(ls "$work/resumed" 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.02
done
kill -INT "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 130 ] || fail "status $status after an interrupt, expected 130"
grep -q 'not started (interrupted)' "$work/int.log" || fail "the summary does not tell the interrupt"
done_count=$(ls "$work/resumed" | wc -l)
[ "$done_count" -lt 24 ] || fail "the interrupt came too late to test anything"
for f in "$work"/resumed/*; do
    cmp -s "$f" "$work/reference/$(basename "$f")" || fail "$(basename "$f") is not whole"
done
# A killed writer leaves a hidden temporary; the next run clears it away.
touch "$work/resumed/.024-IMG_0024.jpg.Ab12Cd"
"$tool" "$work/recipe.ini" "$work/many" -o "$work/resumed" --skip-existing >"$work/resume.log"
grep -q "; $done_count skipped" "$work/resume.log" || fail "the resumed run did not skip $done_count"
grep -q 'exists, skipped' "$work/resume.log" || fail "no line for a skipped photo"
same_folders "$work/reference" "$work/resumed"
echo "batch failures passed"
