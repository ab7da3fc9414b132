#!/bin/sh
# Decoding a 24-megapixel JPEG: Lumetta's LoadPictureData / Open File path against
# libjpeg-turbo's djpeg on the very same file, measured in one run. Prints the medians and
# their ratio (target: at most 1.5).
#
#   bench/djpeg_compare.sh [path/to/lumetta_bench] [rounds]
set -eu

BENCH=${1:-build/bin/lumetta_bench}
ROUNDS=${2:-9}
JPEG=${LUMETTA_BENCH_JPEG:-/tmp/lumetta-bench-24mp.jpg}
export LUMETTA_BENCH_JPEG="$JPEG"

command -v djpeg >/dev/null || { echo "djpeg not found (libjpeg-turbo-progs)" >&2; exit 1; }
[ -x "$BENCH" ] || { echo "no benchmark program at $BENCH" >&2; exit 1; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The benchmark writes the JPEG it decodes to $JPEG before it measures.
OUT=$("$BENCH" --benchmark_filter='Jpeg24MP' --benchmark_repetitions="$ROUNDS" \
    --benchmark_report_aggregates_only=true 2>/dev/null)
echo "$OUT" | grep -E '_median' || true
OURS=$(echo "$OUT" | awk '/BM_DecodeJpeg24MP\/real_time_median/ { print $2 }')
OPEN=$(echo "$OUT" | awk '/BM_OpenPhotoJpeg24MP\/real_time_median/ { print $2 }')

djpeg -outfile /dev/null "$JPEG" # warm the page cache
TIMES=""
i=0
while [ "$i" -lt "$ROUNDS" ]; do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$JPEG"
    end=$(date +%s%N)
    TIMES="$TIMES $(((end - start) / 1000))"
    i=$((i + 1))
done
DJPEG=$(echo "$TIMES" | tr ' ' '\n' | grep . | median | awk '{ printf "%.1f", $1 / 1000 }')

echo "file: $JPEG ($(wc -c <"$JPEG") bytes)"
echo "lumetta decode (median): $OURS ms"
echo "lumetta open file (median): $OPEN ms"
echo "djpeg (median of $ROUNDS): $DJPEG ms"
awk -v a="$OURS" -v b="$DJPEG" 'BEGIN { printf "ratio decode / djpeg: %.2f\n", a / b }'
