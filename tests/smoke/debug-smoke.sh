#!/bin/bash
# The item jump of debug mode in a real window on a virtual X server: started with "/DEBUG",
# F6 opens the list of items, a double click on a row jumps there, and the page shows that
# item's text. The program must end with Escape and "ＯＫ" with status 0. The screenshots stay
# in WORKDIR.
# Usage: debug-smoke.sh PLAYER TOOL WORKDIR
set -euo pipefail
. "$(dirname "$0")/smoke-lib.sh"
title="ジャンプの本"
options="/DEBUG"

write_novel() {
    cat >"$1" <<'EOF_NOVEL'
[header]
NovelTitle = "ジャンプの本"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"
BookmarkMode = 0
StartWindowed = 1

[item "start"]
LinkKind = ending
Text:
| はじめのページ。@

[item "goal"]
LinkKind = ending
Text:
| ジャンプした先のページ。ここまで来た。@
EOF_NOVEL
}

# The jump form's list (white) in the middle of the picture.
jump_form_shown() { above "$(region "$1" 150x100+220+120)" 0.8; }
jumped() { ! jump_form_shown "$1" && changed_from read 800 "$1"; }

play() {
    start "$1" run
    read_from_title title read
    xdotool key --window "$wid" F6
    await jump jump_form_shown
    # The list is sorted: "goal" is the first row. Its middle, on the picture: the dialog is
    # centred (254 × 405 with its frame), the list at (8, 24) of its client area.
    xdotool mousemove --window "$wid" 264 96
    sleep 0.2
    xdotool click --repeat 2 --delay 80 1
    await goal jumped
    settle goal
    quit goal run
}

run_inside "$@"
player=$1 tool=$2 work=$3
prepare_novel
on_server play
