#!/bin/bash
# The system menu in a real window on a virtual X server, with the clicks a reader makes: a
# right click at a click wait fades the menu in at the top right; "バージョン情報" opens the
# version form and the menu goes; the form's "閉じる" closes it. Then "フルスクリーン" fills the
# screen, and "ウインドウモード" in the menu opened there brings the window back. The program
# must end with Escape and "ＯＫ" with status 0. A novel that starts in full screen covers the whole
# screen there too, with its whole picture in sight. The screenshots stay in WORKDIR.
# Usage: menu-smoke.sh PLAYER TOOL WORKDIR
set -euo pipefail
. "$(dirname "$0")/smoke-lib.sh"
title="メニューの本"

# The novel keeps no bookmarks, so the title's click starts the reading.
write_novel() {
    sed "s/^StartWindowed = 1$/StartWindowed = ${2:-1}/" >"$1" <<'EOF_NOVEL'
[header]
NovelTitle = "メニューの本"
StartItemName = "はじまり"
TextSpeed = 10
DefaultTransitionName = "NONE"
BookmarkMode = 0
StartWindowed = 1

[item "はじまり"]
Link = "先へ" -> "おわり"
Text:
| 右のボタンで、メニューがひらく。@
| もう一度。@

[item "おわり"]
LinkKind = ending
Text:
| おしまい@
EOF_NOVEL
}

# The menu's right part (its items' bars end past the picture's edge), white at alpha 230.
menu_shown() { above "$(region "$1" 30x100+605+60)" 0.5; }
menu_gone() { ! above "$(region "$1" 30x100+605+60)" 0.1; }
# The version form's left margin, centred on the picture.
about_shown() { above "$(region "$1" 20x100+112+150)" 0.5; }
about_gone() { ! above "$(region "$1" 20x100+112+150)" 0.1; }
about_alone() { about_shown "$1" && menu_gone "$1"; }
nothing_over() { about_gone "$1" && menu_gone "$1"; }
# The menu's items: at (445, 32), below its 8 px top; no bookmark panel in this novel.
display_mode_item=(510 56)
about_item=(510 120)
sized() { measure; [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]; }
await_size() {
    local _
    for _ in $(seq 50); do
        sized "$1" "$2" && return 0
        sleep 0.2
    done
    echo "the window is ${WIDTH}x${HEIGHT}, not $1x$2"
    return 1
}

play() {
    start "$1" run
    read_from_title title read

    click 320 300 3
    await menu menu_shown
    click "${about_item[@]}"
    await about about_alone
    click 318 372  # 閉じる
    await closed nothing_over

    # Full screen and back, each from the menu.
    click 320 300 3
    await menu-window menu_shown
    click "${display_mode_item[@]}"
    await_size 1280 1024
    shoot full
    click 320 300 3
    await menu-full menu_shown
    click "${display_mode_item[@]}"
    await_size 640 480
    await back nothing_over
    quit back run
}

# Started in full screen on a server without a window manager: the window covers the screen
# and shows the whole picture (the title in the middle, black bars above and below).
play_full() {
    start "$1" full
    await_size 1280 1024
    await full-title title_drawn
    local bar
    bar=$(convert "$work/full-title.png" -crop 1280x30+0+0 +repage -colorspace Gray -format "%[fx:maxima]" info:)
    above "$bar" 0.01 && { echo "the bar above the picture is not black ($bar)"; return 1; }
    quit full-title full
}

run_inside "$@"
player=$1 tool=$2 work=$3
prepare_novel
on_server play
# The same novel, starting in full screen.
write_novel "$work/story.src" 0
"$tool" compile "$work/story.src" "$work/data/autorun.qke" >/dev/null
on_server play_full
