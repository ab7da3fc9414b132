#!/usr/bin/env bash
# Journey (X server): the extracted package's menu entry is launched the way a desktop launches
# it, with a photo and then with an object pack. The photo opens; the pack opens the import
# window, is imported into the user's folder and ends the program. Settings, log and objects
# land in the user's XDG folders and nothing under the package's root changes.
#   installed_desktop_entry.sh PACKAGE_OUT_DIR OUT_DIR    (PACKAGE_OUT_DIR as left by deb.sh)
set -euo pipefail
pkg=$(realpath "$1")
out=$(realpath -m "$2")
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi
root="$pkg/root"
[ -x "$root/usr/bin/lumetta" ] || fail "no extracted package in $root (deb.sh runs first)"
entry=$(ls "$root"/usr/share/applications/*.desktop)
mkdir -p "$out"
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xdrive.sh"
trap 'stop_lumetta; rm -rf "$work"' EXIT

home="$work/home"
mkdir -p "$home" "$work/photos"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime" PATH="$root/usr/bin:$PATH"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
convert -size 320x200 gradient:orange-navy "$work/photos/sunset.jpg"
before=$(cd "$root" && find . -printf '%p %s %T@ %m\n' | sort)

# Launches the entry's Exec line as a desktop would, with %f replaced by the file.
launch() {
    local exec
    exec=$(sed -n 's/^Exec=//p' "$entry")
    [[ "$exec" == *%f* ]] || fail "Exec= has no %f"
    local program=${exec%% *}
    command -v "$(sed -n 's/^TryExec=//p' "$entry")" >/dev/null || fail "TryExec not found"
    start_lumetta "$(command -v "$program")" "$1"
}

# ---- a photo ----
launch "$work/photos/sunset.jpg"
sleep 1
import -window root "$out/installed_photo.png" || true
quit_lumetta
ini="$home/.config/lumetta/Setup.ini"
grep -q "^ScrIniPath=$work/photos\$" "$ini" || { cat "$ini"; fail "the photo was not opened"; }
[ -f "$home/.local/share/lumetta/Log.dat" ] || fail "no Log.dat in the user's data folder"

# ---- an object pack ----
mkdir -p "$work/pack/Data"
convert -size 110x80 xc:gold "$work/pack/Data/FrameGold.jpg"
lumetta-pack pack "$work/frames_v7.psp" "$work/pack" >/dev/null
launch "$work/frames_v7.psp"
dialog=""
for _ in $(seq 1 100); do
    dialog=$(xdotool search --all --onlyvisible --pid "$LUMETTA_PID" --name "^Import Object$" 2>/dev/null | head -n1 || true)
    [ -n "$dialog" ] && break
    sleep 0.1
done
[ -n "$dialog" ] || fail "the import window did not appear"
sleep 0.5
import -window root "$out/installed_pack.png" || true
xdotool windowfocus "$dialog" 2>/dev/null || true
xdotool key --clearmodifiers alt+i
sleep 1
xdotool key Return # "Please restart the program": Yes ends it
for _ in $(seq 1 100); do
    kill -0 "$LUMETTA_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$LUMETTA_PID" 2>/dev/null && fail "the program did not end after the import"
wait "$LUMETTA_PID" || fail "exit status $?"
LUMETTA_PID=""
cmp -s "$work/pack/Data/FrameGold.jpg" "$home/.local/share/lumetta/Data/FrameGold.jpg" ||
    fail "the pack was not imported into the user's data folder"
grep -q '^PspVer=7$' "$ini" || fail "PspVer was not recorded"

# Only the user's Lumetta folders were written in the home folder (caches aside).
written=$(cd "$home" && find . -type f ! -path './.cache/*' | sort)
expected=$(printf '%s\n' ./.config/lumetta/Setup.ini ./.local/share/lumetta/Data/FrameGold.jpg \
    ./.local/share/lumetta/Log.dat | sort)
[ "$written" = "$expected" ] || { echo "$written"; fail "files written outside the user's Lumetta folders"; }
after=$(cd "$root" && find . -printf '%p %s %T@ %m\n' | sort)
[ "$before" = "$after" ] || fail "the program wrote under its prefix"
echo "installed desktop entry journey passed"
