#!/usr/bin/env bash
# Configures and builds Lumetta with CMake and Ninja.
#   scripts/build.sh [build-dir] [extra cmake options...]
# The default build folder is build/ (Release). Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >"$dir.configure.log" 2>&1 || {
    cat "$dir.configure.log"
    exit 1
}
cmake --build "$dir" -j "$jobs"
