#!/bin/bash
# Plays a tiny novel twice on a virtual X server through the bookmark book, with the clicks a
# reader makes. The first reading finds the book empty at the title, starts over, reads to the
# ending and places a bookmark there: the bookmark file must appear beside the scenario with one
# record. The second reading finds that bookmark in the book at the title and opens it, which
# must start reading again without writing the file. Both must end with Escape and "ＯＫ" with
# status 0. The screenshots stay in WORKDIR to be looked at.
# Usage: bookmark-smoke.sh PLAYER TOOL WORKDIR
set -euo pipefail
. "$(dirname "$0")/smoke-lib.sh"
title="しおりの本"

# Where the title's two lines are written.
# The book's body left of its row: light grey, where the title and the pages are black.
book_shown() { above "$(region "$1" 30x100+50+250)" 0.5; }
# A bookmark's picture in the first slot of the row is pink; the empty row is grey and blue.
bookmark_in_first_slot() {
    above "$(convert "$1" -resize '640x480!' -crop 140x260+110+80 +repage \
        -format "%[fx:mean.r - mean.g]" info:)" 0.03
}
# The top of the page, where a reading's first lines are written, with the book closed.
reading() { above "$(region "$1" 600x60+20+10)" 0.005 && ! book_shown "$1"; }
# Left of the title's lines, where a dialog in the middle has its body.
no_dialog() { ! above "$(region "$1" 30x60+182+200)" 0.1; }
title_alone() { title_drawn "$1" && no_dialog "$1"; }

# The novel: two lines that wait for a click, then an ending. Without a bookmark mode in the
# header the book opens at the title's click and at the ending.
write_novel() {
    cat >"$1" <<'EOF'
[header]
NovelTitle = "しおりの本"
StartItemName = "はじまり"
TextSpeed = 10
DefaultTransitionName = "NONE"

[item "はじまり"]
LinkKind = auto
Link = "" -> "おわり"
Text:
| 古い本のあいだに、一枚のしおりがはさまっていた。@
| だれが読みかけたのか、もうわからない。@

[item "おわり"]
LinkKind = ending
Text:
| そして、本はとじられた。@
EOF
}

# ----- On the virtual server -----

# Clicks the title until the book opens: a click that comes before the title takes clicks is
# dropped.
open_book_at_title() {
    local _
    for _ in 1 2 3 4 5 6; do
        click 320 300
        tries=10 await "$1" book_shown >/dev/null && return 0
    done
    echo "$1: the title's click did not open the book"
    return 1
}
place_bookmark() {
    start "$1" first
    await 1-title title_drawn
    open_book_at_title 1-book
    settle 1-book
    click 192 379  # はじめから読む
    await 1-start-dialog not book_shown
    click 271 266  # ＯＫ
    await 1-read0 reading
    settle 1-read0
    # Neither the empty book nor starting over writes a file.
    [ ! -e "$work/data/autorun.qkb" ] || { echo "a bookmark file before any bookmark"; return 1; }

    # Away from the text, a click at a time, until the ending opens the book to place one.
    local n previous=1-read0 marked=0
    for n in 1 2 3 4 5 6 7 8; do
        click 320 460
        await "1-read$n" changed_from "$previous" 300
        settle "1-read$n"
        previous=1-read$n
        if book_shown "$work/$previous.png"; then
            marked=1
            break
        fi
    done
    [ "$marked" = 1 ] || { echo "the ending did not open the book"; return 1; }
    cp "$work/$previous.png" "$work/1-mark-book.png"

    click 176 217  # the first slot: its popup opens at the click
    await 1-popup changed_from 1-mark-book 2000
    click 246 257  # はさむ
    await 1-place-dialog not book_shown
    click 271 266  # ＯＫ
    # The novel goes back to its logo and title.
    await 1-title-again title_alone
    quit 1-title-again first
}

open_bookmark() {
    start "$1" second
    await 2-title title_drawn
    open_book_at_title 2-book
    settle 2-book
    click 176 217  # the first slot
    await 2-popup changed_from 2-book 2000
    click 246 256  # ひらく
    await 2-open-dialog not book_shown
    click 271 266  # ＯＫ
    # A bookmark of a cleared reading starts the next reading at the novel's start.
    await 2-read reading
    settle 2-read
    quit 2-read second
}

if [ "${1:-}" = "--inside" ]; then
    # Already on the virtual server (xvfb-run's shell does not pass functions on).
    work=$4
    "$2" "$3"
    exit 0
fi

# ----- Outside: the files and the checks -----

player=$1 tool=$2 work=$3
rm -rf "$work"
mkdir -p "$work/data"
write_novel "$work/story.src"
"$tool" compile "$work/story.src" "$work/data/autorun.qke" >/dev/null
bookmarks=$work/data/autorun.qkb

xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside place_bookmark "$player" "$work"

failed=0
[ -f "$bookmarks" ] || { echo "no bookmark file beside the scenario"; ls -la "$work/data"; exit 1; }
# The head (signature, version, count) and one record; the novel has no counters.
size=$(stat -c %s "$bookmarks")
echo "bookmark file: $size bytes"
[ "$size" = $((41 + 5328)) ] || { echo "expected $((41 + 5328)) bytes"; failed=1; }
signature=$(head -c 33 "$bookmarks" | od -An -c | tr -s ' \n' ' ')
expected=$(printf '\027%-32s' 'TavriNovel BookMarkFile' | od -An -c | tr -s ' \n' ' ')
[ "$signature" = "$expected" ] || { echo "signature:$signature"; failed=1; }
head=$(od -An -t d4 -j 33 -N 8 "$bookmarks" | tr -s ' ' ' ')
echo "file version and count:$head"
[ "$head" = " 4 1" ] || { echo "expected version 4 with one bookmark"; failed=1; }

changed=$(difference "$work/1-title.png" "$work/1-book.png")
echo "pixels changed by the book at the title: $changed"
above "$changed" 50000 || { echo "the book did not open at the title"; failed=1; }
bookmark_in_first_slot "$work/1-book.png" && { echo "the empty book shows a bookmark"; failed=1; }
bookmark_in_first_slot "$work/1-mark-book.png" || { echo "no new bookmark at the ending"; failed=1; }
[ "$failed" = 0 ] || exit 1

cp "$bookmarks" "$work/placed.qkb"
written=$(stat -c %y "$bookmarks")
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside open_bookmark "$player" "$work"

bookmark_in_first_slot "$work/2-book.png" || { echo "the book does not show the bookmark"; failed=1; }
changed=$(difference "$work/2-book.png" "$work/2-read.png")
echo "pixels changed by opening the bookmark: $changed"
above "$changed" 50000 || { echo "the bookmark did not open"; failed=1; }
cmp "$work/placed.qkb" "$bookmarks" || { echo "opening a bookmark changed the file"; failed=1; }
[ "$(stat -c %y "$bookmarks")" = "$written" ] || { echo "opening a bookmark wrote the file"; failed=1; }
exit $failed
