#!/bin/bash
# Runs the SDL smoke program on a virtual X server: the yes/no dialog must appear over the
# picture with its look, and a click on "ＯＫ" (or "キャンセル") must end it with result 1 (or 2).
# Usage: ui-smoke.sh PROGRAM WORKDIR
set -euo pipefail

inner() {
    local program=$1 work=$2 button=$3 expected=$4
    # The X and GL client libraries keep allocations to the end of the process; our own code's
    # leaks are caught by the headless tests.
    ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy "$program" >"$work/result-$button" 2>"$work/stderr-$button" &
    local pid=$! wid=""
    for _ in $(seq 200); do
        # By process: the title's legacy copy is in the locale's encoding, which xdotool's name
        # search may not read.
        wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
        [ -n "$wid" ] && break
        sleep 0.05
    done
    [ -n "$wid" ] || { echo "no window"; kill $pid; return 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window "$wid" "$work/shot-$button.png"
    # Canvas point of the button's centre, scaled to the window.
    local cx=$((179 + button + 44)) cy=$((186 + 68 + 12))
    xdotool mousemove --window "$wid" $((cx * WIDTH / 640)) $((cy * HEIGHT / 480))
    sleep 0.3
    xdotool click 1
    local status=0
    wait $pid || status=$?
    [ "$status" = "$expected" ] || { echo "button $button: status $status, expected $expected"; cat "$work/stderr-$button"; return 1; }
    # The title bar (active colours, blended at 230 over RGB(40, 40, 40)) and the picture.
    local bar back
    bar=$(convert "$work/shot-$button.png" -format "%[pixel:p{$((320 * WIDTH / 640)),$((190 * HEIGHT / 480))}]" info:)
    back=$(convert "$work/shot-$button.png" -format "%[pixel:p{5,$((470 * HEIGHT / 480))}]" info:)
    echo "button $button: result $status, title bar $bar, picture $back"
    case "$bar" in
        "srgb(148,148,234)") ;;
        *) echo "unexpected title bar colour $bar"; return 1 ;;
    esac
    case "$back" in
        "srgb(40,40,40)") ;;
        *) echo "unexpected picture colour $back"; return 1 ;;
    esac
}
if [ "${1:-}" = "--inside" ]; then
    # Already on the virtual server (xvfb-run's shell does not pass functions on).
    inner "$2" "$3" 48 1
    inner "$2" "$3" 144 2
    exit 0
fi

program=$1
work=$2
mkdir -p "$work"
rm -f "$work"/shot-*.png "$work"/result-*
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$program" "$work"
