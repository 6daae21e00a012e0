# What the real-window smoke tests share: screenshots of the player's window on the virtual X
# server, clicks at canvas points, states awaited on screenshots rather than timed (a sanitized
# build is slow), starting the player on a scenario and ending it with Escape and "ＯＫ".
# Sourced; the caller sets `work` (the folder for the screenshots), `title` (the window's
# expected title) and perhaps `options` (further arguments of the player) before `start`.

# How many pixels differ between two pictures.
difference() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 || true; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
# The mean grey level of a canvas rectangle (WxH+X+Y) of a screenshot.
region() {
    convert "$1" -resize '640x480!' -crop "$2" +repage -colorspace Gray -format "%[fx:mean]" info:
}

pid="" wid="" work="" title="" WIDTH=640 HEIGHT=480
# Whatever step fails, the program does not outlive the virtual server's session.
trap '[ -z "$pid" ] || kill -9 $pid 2>/dev/null || true' EXIT

shoot() { import -window "$wid" "$work/$1.png"; }

# A click (button 1, or the third argument) at a point of the 640×480 canvas, wherever the
# window shows it: scaled to the window, letter-boxed in full screen.
click() {
    local width=$WIDTH height=$((WIDTH * 480 / 640)) left=0 top=0
    if [ "$height" -gt "$HEIGHT" ]; then
        height=$HEIGHT
        width=$((HEIGHT * 640 / 480))
    fi
    left=$(((WIDTH - width) / 2))
    top=$(((HEIGHT - height) / 2))
    xdotool mousemove --window "$wid" $((left + $1 * width / 640)) $((top + $2 * height / 480))
    sleep 0.2
    xdotool click "${3:-1}"
}
# The window's size now, into WIDTH and HEIGHT.
measure() { eval "$(xdotool getwindowgeometry --shell "$wid")"; }

# Screenshots NAME every 0.3 s until the test named by the remaining words holds on it, for at
# most `tries` turns (30 s): a sanitized build is slow, so states are awaited rather than timed.
tries=100
await() {
    local name=$1 _
    shift
    for _ in $(seq $tries); do
        sleep 0.3
        shoot "$name"
        "$@" "$work/$name.png" && return 0
    done
    echo "$name: timed out waiting for $*"
    return 1
}
changed_from() { above "$(difference "$work/$1.png" "$3")" "$2"; }
not() { ! "$@"; }

# Screenshots NAME until two in a row are the same but for the click mark's animation (24×24),
# so that text still being written has been written.
settle() {
    local name=$1 _
    shoot "$name"
    for _ in $(seq 30); do
        sleep 0.3
        cp "$work/$name.png" "$work/.previous.png"
        shoot "$name"
        above "$(difference "$work/.previous.png" "$work/$name.png")" 600 || break
    done
    rm -f "$work/.previous.png"
}

start() {
    # The X and GL client libraries keep allocations to the end of the process; our own code's
    # leaks are caught by the headless tests.
    ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy "$1" "$work/data/autorun.qke" \
        ${options:-} >"$work/stdout-$2" 2>"$work/stderr-$2" &
    pid=$!
    # By process: WM_NAME holds the title converted for the C locale, which xdotool's --name
    # compares with, so the title is checked on _NET_WM_NAME instead.
    wid=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -1 || true)
    # A program stuck before its window would ignore a polite request to end.
    [ -n "$wid" ] || { echo "no window"; cat "$work/stderr-$2"; return 1; }
    local shown
    shown=$(xprop -id "$wid" _NET_WM_NAME)
    [ "$shown" = "_NET_WM_NAME(UTF8_STRING) = \"$title\"" ] || { echo "title: $shown"; return 1; }
    measure
    echo "$2: window $wid, ${WIDTH}x${HEIGHT}"
}

# Escape asks whether to close the book; "ＯＫ" must end the program with status 0.
quit() {
    local before=$1 _ status=0
    xdotool key --window "$wid" Escape
    await "$before-quit" changed_from "$before" 1000
    click 271 266
    for _ in $(seq 100); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $pid 2>/dev/null; then
        echo "the program did not end after ＯＫ"
        return 1
    fi
    wait $pid || status=$?
    pid=""
    [ "$status" = 0 ] || { echo "exit status $status"; cat "$work/stderr-$2"; return 1; }
    echo "$2: exit status 0"
}


# The title's lines in the middle of the picture; a page's first lines at its top.
title_drawn() { above "$(region "$1" 240x80+200+190)" 0.01; }
reading() { above "$(region "$1" 600x60+20+10)" 0.005; }

# From the title to the first page written out, for a novel without bookmarks (its title's
# click starts the reading): screenshots TITLE and PAGE. A click that comes before the title
# takes clicks is dropped, so it is repeated.
read_from_title() {
    local _
    await "$1" title_drawn
    for _ in 1 2 3 4 5 6; do
        click 320 300
        tries=10 await "$2" reading >/dev/null && break
    done
    await "$2" reading
    settle "$2"
}

# The scripts' two halves. With --inside, on the virtual server (whose shell does not pass
# functions on): runs the step named by $2 with the player $3 and WORKDIR $4, then exits.
run_inside() {
    if [ "${1:-}" = "--inside" ]; then
        work=$4
        "$2" "$3"
        exit 0
    fi
}
# Outside: the novel of write_novel (given $1 as its variant, when any) compiled into
# WORKDIR/data with `tool`.
prepare_novel() {
    rm -rf "$work"
    mkdir -p "$work/data"
    write_novel "$work/story.src" "$@"
    "$tool" compile "$work/story.src" "$work/data/autorun.qke" >/dev/null
}
# Runs step $1 for `player` on a fresh virtual server; further words are server options.
on_server() {
    local step=$1
    shift
    xvfb-run -a -s "-screen 0 1280x1024x24 $*" "$0" --inside "$step" "$player" "$work"
}
