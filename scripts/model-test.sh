#!/usr/bin/env bash
# Runs the photo document's random command sequences for longer than the test suite does.
#   scripts/model-test.sh [sequences]     (default 200000; the suite runs 3000)
# Builds the document's unit tests in build/ when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/unit_document ] || bash scripts/build.sh build
LUMETTA_MODEL_SEQUENCES=${1:-200000} build/bin/unit_document --gtest_filter='DocumentModel.*'
