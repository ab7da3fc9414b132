# Sourced by the X journeys and the screenshot script: start Lumetta and drive it with xdotool.
#   start_lumetta EXE [ARGS...]  starts it; sets LUMETTA_PID and LUMETTA_WIN (its main window)
#   open_photo PATH        Ctrl+O, types the path into the open dialog, Return
#   wait_window NAME       waits for a visible window of Lumetta titled NAME; prints its id
#   save_as PATH           Ctrl+Alt+S, types the path into the save dialog, Return, and answers
#                          Yes to the question about creating (or replacing) the file
#   quit_lumetta [discard] Ctrl+X; fails unless the program ends on its own without an error.
#                          With "discard" the question about unsaved work is answered Discard;
#                          without it, the question must not come.
LUMETTA_PID=""
LUMETTA_WIN=""

start_lumetta() {
    "$@" &
    LUMETTA_PID=$!
    LUMETTA_WIN=""
    for _ in $(seq 1 300); do
        LUMETTA_WIN=$(xdotool search --all --pid "$LUMETTA_PID" --name "^Lumetta V[0-9]" 2>/dev/null |
            head -n1 || true)
        [ -n "$LUMETTA_WIN" ] && break
        sleep 0.1
    done
    if [ -z "$LUMETTA_WIN" ]; then
        echo "Lumetta's window did not appear" >&2
        return 1
    fi
    sleep 0.5
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
}

open_photo() {
    xdotool key --clearmodifiers ctrl+o
    # Type only once the dialog is there and has the keyboard: a busy machine may be slow.
    local dialog=""
    for _ in $(seq 1 150); do
        dialog=$(xdotool search --all --onlyvisible --pid "$LUMETTA_PID" --name "^Open$" 2>/dev/null | head -n1 || true)
        [ -n "$dialog" ] && break
        sleep 0.1
    done
    if [ -z "$dialog" ]; then
        echo "the open dialog did not appear" >&2
        return 1
    fi
    sleep 0.3
    # A slow program (the sanitizer build) may map the dialog before its name field takes
    # keys, and what was typed is lost: while the dialog stays, the name is typed again.
    local attempt closed=""
    for attempt in 1 2 3; do
        xdotool windowfocus --sync "$dialog" 2>/dev/null || xdotool windowfocus "$dialog" || true
        [ "$attempt" = 1 ] || xdotool key --clearmodifiers ctrl+a
        xdotool type --delay 2 "$1"
        xdotool key Return
        for _ in $(seq 1 60); do
            if ! xdotool search --all --onlyvisible --pid "$LUMETTA_PID" --name "^Open$" >/dev/null 2>&1; then
                closed=1
                break
            fi
            sleep 0.1
        done
        [ -n "$closed" ] && break
    done
    [ -n "$closed" ] || { echo "the open dialog did not take the file name" >&2; return 1; }
    sleep 0.5
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
}

wait_window() {
    local found=""
    for _ in $(seq 1 100); do
        found=$(xdotool search --all --onlyvisible --pid "$LUMETTA_PID" --name "^$1\$" 2>/dev/null | head -n1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || return 1
    echo "$found"
}

save_as() {
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
    xdotool key --clearmodifiers ctrl+alt+s
    local dialog
    dialog=$(wait_window "Save Picture") || { echo "the save dialog did not appear" >&2; return 1; }
    sleep 0.3
    xdotool windowfocus --sync "$dialog" 2>/dev/null || xdotool windowfocus "$dialog" || true
    xdotool type --delay 2 "$1"
    xdotool key Return
    # The dialog asks before creating a new file (or replacing one): answer Yes.
    local question
    question=$(wait_window "Confirm Save As") || { echo "no question before saving" >&2; return 1; }
    sleep 0.2
    xdotool windowfocus --sync "$question" 2>/dev/null || xdotool windowfocus "$question" || true
    xdotool key Return
    for _ in $(seq 1 100); do
        [ -s "$1" ] && break
        sleep 0.1
    done
    sleep 0.5
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
    [ -s "$1" ] || { echo "$1 was not written" >&2; return 1; }
}

quit_lumetta() {
    xdotool windowfocus "$LUMETTA_WIN" 2>/dev/null || true
    xdotool key --clearmodifiers ctrl+x
    local question
    if [ "${1:-}" = discard ]; then
        question=$(wait_window Lumetta) || { echo "no question about unsaved work" >&2; return 1; }
        xdotool windowfocus --sync "$question" 2>/dev/null || true
        xdotool key --clearmodifiers alt+d
    fi
    for _ in $(seq 1 50); do
        kill -0 "$LUMETTA_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$LUMETTA_PID" 2>/dev/null; then
        echo "Lumetta did not end on Ctrl+X" >&2
        return 1
    fi
    local status=0
    wait "$LUMETTA_PID" || status=$?
    LUMETTA_PID=""
    if [ "$status" -ne 0 ]; then
        echo "Lumetta exited with status $status" >&2
        return 1
    fi
}

stop_lumetta() {
    if [ -n "$LUMETTA_PID" ]; then
        kill "$LUMETTA_PID" 2>/dev/null || true
        wait "$LUMETTA_PID" 2>/dev/null || true
        LUMETTA_PID=""
    fi
}
