#!/usr/bin/env bash
# Two shards run side by side through GNU Parallel give, together, exactly the files of one
# unsharded run, byte for byte.
#   shard_parallel.sh BIN_DIR OUT_DIR
source "$(dirname "$0")/common.bash"
command -v parallel >/dev/null || fail "GNU Parallel is not installed (scripts/install-deps.sh)"

make_photos "$work/shoot" 9
write_recipe "$work/recipe.ini"
ls "$work"/shoot/*.jpg | sort -r >"$work/list.txt" # any order: the tool sorts

"$tool" "$work/recipe.ini" --list "$work/list.txt" -o "$work/whole" -j 2 >"$work/whole.log"
[ "$(ls "$work/whole" | wc -l)" -eq 9 ] || fail "the unsharded run did not write 9 photos"
grep -q '^\[9/9\] ' "$work/whole.log" || fail "no progress line for the 9th photo"
grep -q 'Decorated 9 of 9 photos' "$work/whole.log" || fail "no summary"

parallel --will-cite -j2 "$tool" "$work/recipe.ini" --list "$work/list.txt" \
    -o "$work/shards" --shard {}/2 -j 1 ::: 1 2 >"$work/shards.log"
grep -q 'Decorated 5 of 5 photos' "$work/shards.log" || fail "shard 1/2 should have 5 photos"
grep -q 'Decorated 4 of 4 photos' "$work/shards.log" || fail "shard 2/2 should have 4 photos"
same_folders "$work/whole" "$work/shards"

# Three shards from plain shell jobs: the same split for any job runner.
for k in 1 2 3; do
    "$tool" "$work/recipe.ini" --list "$work/list.txt" -o "$work/three" --shard "$k/3" -q -j 1 &
done
wait
same_folders "$work/whole" "$work/three"

cp "$work/whole/001-IMG_0001.jpg" "$out/shard_parallel_sample.jpg"
echo "batch shard_parallel passed"
