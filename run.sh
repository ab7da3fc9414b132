#!/usr/bin/env bash
# Installs what is missing, builds Lumetta (Release, into build/) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Lumetta is built (build/bin/lumetta), but there is no display to show its window on."
    echo "Run it from a desktop session, or take a picture of it with: scripts/screenshot.sh out.png"
    exit 1
fi
exec build/bin/lumetta "$@"
