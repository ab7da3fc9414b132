#!/usr/bin/env bash
# Fuzzes Lumetta's input paths with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and prints, per target, the executions, the coverage and the
# findings.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 60 seconds each, every target)
# Installs clang and its fuzzing runtime when they are missing, builds build-fuzz/, writes the
# seed corpus (tests/fuzz/MakeSeeds.cpp) and keeps what each target learns in
# build-fuzz/corpus/<target>/. Inputs that crash, leak, time out or break a check are kept in
# build-fuzz/findings/<target>/; copy one into tests/fuzz/regressions/<target>/ to replay it in
# every test run once it is fixed. Exits with status 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
all=(bmp jpeg png gif tiff tga pnm pcx container objectpack ini eventlog compose alphablock)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

# ---- tools ----
bash scripts/install-deps.sh
need=()
command -v clang++ >/dev/null || need+=(clang)
runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1 || true)
[ -n "$runtime" ] || need+=(libclang-rt-dev)
if [ ${#need[@]} -gt 0 ]; then
    echo "Installing ${need[*]} for fuzzing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

# ---- build ----
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DLUMETTA_FUZZ=ON -DLUMETTA_BUILD_BENCH=OFF >"$dir.configure.log" 2>&1 || {
    cat "$dir.configure.log"
    exit 1
}
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_seeds \
    $(printf 'fuzz_%s ' "${targets[@]}")
"$dir/bin/fuzz_seeds" "$dir/seeds" >/dev/null

# ---- run ----
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Targets that write files work in memory where it can be had: flushing to disk is slow.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export LUMETTA_FUZZ_SCRATCH=/dev/shm/lumetta-fuzz-$$
else
    export LUMETTA_FUZZ_SCRATCH="$PWD/$dir/scratch"
fi
found=0
report=()
for t in "${targets[@]}"; do
    mkdir -p "$dir/corpus/$t" "$dir/findings/$t" "$dir/logs"
    log="$dir/logs/$t.log"
    echo "Fuzzing $t for $seconds s"
    # -fork keeps going after a finding; each finding is a file in findings/.
    "$dir/bin/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 \
        -malloc_limit_mb=2048 -fork=1 -ignore_crashes=1 \
        -ignore_timeouts=1 -ignore_ooms=1 -artifact_prefix="$dir/findings/$t/" \
        "$dir/corpus/$t" "$dir/seeds/$t" >"$log" 2>&1 || true
    # The last status line of the forking run: "#<executions>: cov: <edges> ft: <features> ...".
    execs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | awk '{print $2}' || true)
    ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | awk '{print $2}' || true)
    corpus=$(find "$dir/corpus/$t" -type f | wc -l)
    findings=$(find "$dir/findings/$t" -type f | wc -l)
    [ "$findings" -eq 0 ] || found=1
    report+=("$(printf '%-11s %12s %8s %8s %8s %9s' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" \
        "$corpus" "$findings")")
done
rm -rf "$LUMETTA_FUZZ_SCRATCH"

echo
printf '%-11s %12s %8s %8s %8s %9s\n' target executions coverage features corpus findings
printf '%s\n' "${report[@]}"
echo "Logs in $dir/logs/; findings in $dir/findings/<target>/."
exit $found
