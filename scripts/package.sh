#!/usr/bin/env bash
# Builds Lumetta's Debian package (build/lumetta_<version>_<arch>.deb) and checks it the way the
# test suite does (tests/package/deb.sh: dependencies, lintian, desktop entry, AppStream
# metadata, MIME types, icons, the program run from the extracted package).
#   scripts/package.sh             build and check
#   scripts/package.sh --install   also install it with apt (sudo when not root)
set -euo pipefail
cd "$(dirname "$0")/.."
install=false
case "${1:-}" in
--install) install=true ;;
"") ;;
*)
    echo "usage: scripts/package.sh [--install]" >&2
    exit 2
    ;;
esac

bash scripts/install-deps.sh
bash scripts/build.sh build
bash tests/package/deb.sh build build/package-test >build/package-test.log 2>&1 || {
    cat build/package-test.log
    echo "The package did not pass its checks (log: build/package-test.log)." >&2
    exit 1
}
deb=$(ls build/package-test/cpack/lumetta_*.deb)
cp "$deb" build/
deb="$PWD/build/$(basename "$deb")"
echo "Built and checked $deb"

if $install; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get install -y --reinstall "$deb"
    echo "Installed: start Lumetta from the menu (Graphics), or run lumetta."
fi
