#!/usr/bin/env bash
# The Debian package: builds it with CPack, checks its name, dependencies and contents, runs
# lintian and the desktop-file and AppStream validators, extracts it into a scratch root and runs
# the program from there against its installed data: --version, --paths and a headless start-up
# that ends through SIGTERM like a session logout. Nothing may be written under the root.
#   deb.sh BUILD_DIR OUT_DIR
# Leaves the extracted root in OUT_DIR/root for installed_desktop_entry.sh.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
fail() { echo "FAIL: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in CMakeCache.txt"
arch=$(dpkg --print-architecture)
rm -rf "$out"
mkdir -p "$out"

# ---- build the package ----
(cd "$build" && cpack -G DEB -B "$out/cpack" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    fail "cpack failed"
}
deb="$out/cpack/lumetta_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$out/cpack"; fail "no package named $(basename "$deb")"; }
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# ---- control data: version and dependencies worked out by dpkg-shlibdeps ----
[ "$(dpkg-deb -f "$deb" Package)" = lumetta ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libpng16-16 \
    libjpeg62-turbo libgif7 libtiff6 zlib1g qt6-qpa-plugins; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
done

# ---- lintian: no errors ----
lintian --fail-on error --tag-display-limit 0 "$deb" >"$out/lintian.txt" 2>&1 || {
    cat "$out/lintian.txt"
    fail "lintian reports errors"
}
echo "lintian: $(grep -c '^E:' "$out/lintian.txt" || true) errors, $(grep -c '^W:' "$out/lintian.txt" || true) warnings"
cat "$out/lintian.txt"

# ---- contents ----
root="$out/root"
dpkg-deb -x "$deb" "$root"
id=$(cd "$root/usr/share/applications" && ls *.desktop | sed 's/\.desktop$//')
[ -n "$id" ] || fail "no desktop entry"
for f in usr/bin/lumetta usr/bin/lumetta-pack usr/share/lumetta/libraryfull.phd \
    usr/share/lumetta/library.phi usr/share/lumetta/manual.html usr/share/lumetta/Desktop/MainBG1.bmp \
    "usr/share/metainfo/$id.metainfo.xml" "usr/share/mime/packages/$id.xml" \
    usr/share/man/man1/lumetta.1.gz usr/share/man/man1/lumetta-pack.1.gz \
    usr/share/doc/lumetta/copyright usr/share/doc/lumetta/changelog.gz; do
    [ -e "$root/$f" ] || fail "$f is missing from the package"
done
ls "$root/usr/share/lumetta/Data/"*.jpg >/dev/null || fail "no thumbnails in the package"
for size in 16 22 24 32 48 64 128 256 512; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "icon $icon"
done
grep -q "^Icon=$id\$" "$root/usr/share/applications/$id.desktop" || fail "Icon= is not $id"

# ---- desktop entry, AppStream metadata, MIME types ----
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo does not name version $version"
mime="$out/mime"
mkdir -p "$mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/usr/share/mime/packages/$id.xml" \
    "$mime/packages/"
update-mime-database "$mime" >/dev/null || fail "update-mime-database"
grep -q '^50:application/x-lumetta-pack:\*\.psp$' "$mime/globs2" || fail "no glob for packs"
# Every type the entry opens is known to the MIME database.
types=$(sed -n 's/^MimeType=//p' "$root/usr/share/applications/$id.desktop" | tr ';' ' ')
for t in $types; do
    grep -q "^$t\$" "$mime/types" || fail "unknown MIME type $t in the desktop entry"
done

# ---- the installed program ----
home="$out/home"
mkdir -p "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_RUNTIME_DIR="$out/runtime" QT_QPA_PLATFORM=offscreen
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
before=$(cd "$root" && find . -printf '%p %s %T@ %m\n' | sort)

[ "$("$root/usr/bin/lumetta" --version)" = "Lumetta $version" ] || fail "--version"
"$root/usr/bin/lumetta" --help | grep -q '^Usage: lumetta' || fail "--help"
paths=$("$root/usr/bin/lumetta" --paths)
echo "$paths"
grep -qxF "Program folder:    $root/usr/share/lumetta/ (installed)" <<<"$paths" || fail "--paths: program folder"
grep -qxF "Settings:          $home/config/lumetta/Setup.ini" <<<"$paths" || fail "--paths: settings"
grep -qxF "Imported objects:  $home/data/lumetta/" <<<"$paths" || fail "--paths: imported objects"
objects=$("$root/usr/bin/lumetta-pack" list "$root/usr/share/lumetta/libraryfull.phd" | grep -c '\.png$')
thumbs=$(ls "$root/usr/share/lumetta/Data/"*.jpg | wc -l)
grep -qE "^Object library:    $objects objects, [1-9][0-9]* placement records, $thumbs thumbnails\$" \
    <<<"$paths" || fail "--paths: the library ($objects objects, $thumbs thumbnails expected)"
[ "$objects" -gt 0 ] || fail "an empty library"

# Headless start-up; SIGTERM ends it the normal way, so the settings and the log are written.
"$root/usr/bin/lumetta" &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
grep -q '^\[Setup\]' "$home/config/lumetta/Setup.ini" || fail "Setup.ini not in \$XDG_CONFIG_HOME/lumetta"
[ -f "$home/data/lumetta/Log.dat" ] || fail "Log.dat not in \$XDG_DATA_HOME/lumetta"

after=$(cd "$root" && find . -printf '%p %s %T@ %m\n' | sort)
[ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after") || true; fail "the program wrote under its prefix"; }
echo "package test passed"
