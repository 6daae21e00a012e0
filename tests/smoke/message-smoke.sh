#!/bin/bash
# A message box in the middle of a reading, on a virtual X server without a window manager: a
# sound that is missing brings up ".SoundPlay エラー", drawn inside the picture (no child process
# shows it while the sound threads run); the novel stands still behind it, and once the reader
# clicks its button the novel goes on typing its next line by itself. On a server without the X
# core fonts the same, closed with Enter; a start-up message, before the novel has a window, gets
# our box in a window of its own there.
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

# The second line of the page, where nothing is written before the box.
second_line() { above "$(region "$1" 500x40+20+60)" 0.01; }


# Our own box in the picture's middle: its light body, and text written on it.
own_box() { above "$(region "$1" 240x40+200+205)" 0.6 && ! above "$(region "$1" 240x40+200+205)" 0.97; }

play() {
    start "$1" run
    read_from_title title read
    second_line "$work/read.png" && { echo "the second line is there before the box"; return 1; }
    click 320 460
    # The box is drawn inside the picture (no child process shows it); its button is clicked.
    await box own_box
    second_line "$work/box.png" && { echo "the novel went on behind the box"; return 1; }
    click 320 272
    # No click: the novel goes on by itself.
    await after second_line
    quit after run
}


play_own_box() {
    start "$1" fonts
    read_from_title title2 read2
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
    local program=$1 status=0 _ which="our own box"
    ASAN_OPTIONS=detect_leaks=0 "$program" "$work/data/missing.qke" >"$work/stdout-start" \
        2>"$work/stderr-start" &
    pid=$!
    # Ours is a window of the player's own; where the server can draw SDL's box after all, that
    # one comes from a child process. Either is found by the caption.
    for _ in $(seq 100); do
        wid=$(xwininfo -root -tree | awk '/"Tavri! Novel Runtime"/ { print $1; exit }')
        [ -n "$wid" ] && break
        sleep 0.2
    done
    [ -n "$wid" ] || { echo "no window for the start-up message"; return 1; }
    measure
    sleep 1
    shoot start-box
    own_box "$work/start-box.png" || which="the desktop's box"
    xdotool key --window "$wid" Return
    for _ in $(seq 30); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    # A box that takes no synthetic keys takes a click on its button.
    if kill -0 $pid 2>/dev/null; then
        xdotool mousemove --window "$wid" $((WIDTH / 2)) $((HEIGHT - 18)) click 1
    fi
    for _ in $(seq 50); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    wait $pid || status=$?
    pid=""
    [ "$status" = 1 ] || { echo "start-up message: exit status $status"; return 1; }
    echo "start: $which, exit status 1"
}

run_inside "$@"
player=$1 tool=$2 work=$3
prepare_novel
on_server play
# Only the server's built-in fonts: SDL's box has none to draw with.
on_server play_own_box -fp built-ins
on_server play_start_message -fp built-ins
