#!/usr/bin/env bash
# Installs what is missing, builds Lumetta with its tests and runs every test with ctest.
#   ./test.sh          Release build in build/
#   ./test.sh --asan   the same tests built with AddressSanitizer + UndefinedBehaviorSanitizer
#                      in build-asan/ (benchmarks are left out there)
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
# The PngSuite for its test, fetched once into .cache/ when Debian's archive can be reached.
bash scripts/fetch-pngsuite.sh >/dev/null 2>&1 || echo "The PngSuite is not available: its test is skipped"

if [ "${1:-}" = "--asan" ]; then
    shift
    dir=build-asan
    bash scripts/build.sh "$dir" -DLUMETTA_SANITIZE=ON -DLUMETTA_BUILD_BENCH=OFF
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
else
    dir=build
    bash scripts/build.sh "$dir"
fi

# The end-to-end tests need an X server: start a private Xvfb when there is no display.
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    start_xvfb
    trap stop_xvfb EXIT
fi

cd "$dir"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"
