#!/bin/bash
# A message box in the middle of a reading, on a virtual X server without a window manager: a
# sound that is missing brings up ".SoundPlay エラー"; once the reader closes it (Enter), the
# novel must go on typing its next line by itself, as it does on Windows, where the main window
# gets the focus back from its box. On a server without the X core fonts, where SDL cannot show
# a box at all, our own box appears inside the picture instead, with its text, and Enter closes
# it; a start-up message, before the novel has a window, gets our box in a window of its own.
# The readings must end with Escape and "ＯＫ" with status 0, the start-up message with 1.
# Usage: message-smoke.sh PLAYER TOOL WORKDIR
set -euo pipefail
. "$(dirname "$0")/smoke-lib.sh"
title="はこの本"

write_novel() {
    cat >"$1" <<'EOF_NOVEL'
[header]
NovelTitle = "はこの本"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"
BookmarkMode = 0
StartWindowed = 1

[item "start"]
LinkKind = ending
Text:
| はじめの行。@
| .SoundPlay "missing.wav"
| 箱が閉じたら、この行がひとりでに書かれる。@
EOF_NOVEL
}

title_drawn() { above "$(region "$1" 240x80+200+190)" 0.01; }
reading() { above "$(region "$1" 600x60+20+10)" 0.005; }
# The second line of the page, where nothing is written before the box.
second_line() { above "$(region "$1" 500x40+20+60)" 0.01; }

# The box: a window of its own (SDL does not mark it with the process), found by its caption.
box_window() {
    local w
    w=$(xwininfo -root -tree | awk '/SoundPlay/ { print $1; exit }')
    [ -n "$w" ] && echo "$w"
}

play() {
    start "$1" run
    await title title_drawn
    local _ box=""
    for _ in 1 2 3 4 5 6; do
        click 320 300
        tries=10 await read reading >/dev/null && break
    done
    await read reading
    settle read
    second_line "$work/read.png" && { echo "the second line is there before the box"; return 1; }
    click 320 460
    for _ in $(seq 100); do
        box=$(box_window) && break
        sleep 0.3
    done
    [ -n "$box" ] || { echo "no message box"; return 1; }
    echo "box: $(xprop -id "$box" _NET_WM_NAME)"
    sleep 0.5
    # As a reader closes it: the pointer goes to its button and clicks, then back to the page.
    eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/BOX_/')"
    xdotool mousemove --window "$box" $((BOX_WIDTH / 2)) $((BOX_HEIGHT - 18))
    sleep 0.3
    xdotool click 1
    sleep 0.3
    xdotool mousemove --window "$wid" 320 300
    for _ in $(seq 30); do
        box_window >/dev/null || break
        sleep 0.3
    done
    box_window >/dev/null && { echo "the box did not close"; return 1; }
    # No click: the novel goes on by itself.
    await after second_line
    quit after run
}

# Our own box in the picture's middle: its light body, and text written on it.
own_box() { above "$(region "$1" 240x40+200+205)" 0.6 && ! above "$(region "$1" 240x40+200+205)" 0.97; }

play_own_box() {
    start "$1" fonts
    await title2 title_drawn
    local _
    for _ in 1 2 3 4 5 6; do
        click 320 300
        tries=10 await read2 reading >/dev/null && break
    done
    await read2 reading
    settle read2
    click 320 460
    await own-box own_box
    second_line "$work/own-box.png" && { echo "the novel went on behind the box"; return 1; }
    xdotool key --window "$wid" Return
    await after2 second_line
    quit after2 fonts
}

# A start-up message (a scenario that is not there) before any window of the novel: our box in
# a window of its own; Enter closes it and the program ends with status 1.
play_start_message() {
    local program=$1 status=0 _
    ASAN_OPTIONS=detect_leaks=0 "$program" "$work/data/missing.qke" >"$work/stdout-start" \
        2>"$work/stderr-start" &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -1 || true)
    [ -n "$wid" ] || { echo "no window for the start-up message"; return 1; }
    measure
    await start-box own_box
    xdotool key --window "$wid" Return
    for _ in $(seq 50); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    wait $pid || status=$?
    pid=""
    [ "$status" = 1 ] || { echo "start-up message: exit status $status"; return 1; }
    echo "start: our own box, exit status 1"
}

run_inside "$@"
player=$1 tool=$2 work=$3
prepare_novel
on_server play
# Only the server's built-in fonts: SDL's box has none to draw with.
on_server play_own_box -fp built-ins
on_server play_start_message -fp built-ins
