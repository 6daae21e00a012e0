#!/bin/bash
# Packs the demo novel into a finished program the way scripts/demo does and plays it on a
# virtual X server: the title must be drawn, clicks must move the novel on to the forest, and
# Escape followed by "ＯＫ" must end the program with status 0, leaving nothing of the sound
# engine it carries in the temporary folder.
# Usage: demo-smoke.sh PLAYER TOOL ARTPROGRAM STORY WORKDIR
set -euo pipefail

mean() { convert "$1" -colorspace Gray -format "%[fx:mean]" info:; }
# Standard deviation of the grey levels: zero for a picture of one colour.
spread() { convert "$1" -colorspace Gray -format "%[fx:standard_deviation]" info:; }
# How many pixels differ between two pictures.
difference() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 || true; }
# The middle of the picture, where the title is written.
middle() {
    convert "$1" -resize '640x480!' -crop 240x80+200+190 +repage -colorspace Gray \
        -format "%[fx:mean]" info:
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

inner() {
    local program=$1 work=$2
    # The X and GL client libraries keep allocations to the end of the process; our own code's
    # leaks are caught by the headless tests.
    # A temporary folder of its own shows that the packed sound engine leaves nothing there.
    mkdir -p "$work/tmp"
    ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy TMPDIR="$work/tmp" "$program" \
        >"$work/stdout" 2>"$work/stderr" &
    local pid=$! wid=""
    # The window is shown by the first timer tick, after the archive has been read. It is looked
    # up by process: WM_NAME holds the title converted for the C locale, which xdotool's --name
    # compares with, so the title is checked on _NET_WM_NAME instead.
    wid=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -1 || true)
    # A program stuck before its window would ignore a polite request to end.
    [ -n "$wid" ] || { echo "no window"; kill -9 $pid; cat "$work/stderr"; return 1; }
    local title
    title=$(xprop -id "$wid" _NET_WM_NAME)
    [ "$title" = '_NET_WM_NAME(UTF8_STRING) = "森の小径"' ] || { echo "title: $title"; kill $pid; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    echo "window $wid: ${WIDTH}x${HEIGHT}"

    sleep 1
    import -window "$wid" "$work/shot-logo.png"
    # The logo fades out into the title some 3 s after the first tick; a slow (sanitized) build
    # takes longer, so the title is awaited rather than timed.
    local _
    for _ in $(seq 20); do
        sleep 0.5
        import -window "$wid" "$work/shot-title.png"
        above "$(middle "$work/shot-title.png")" 0.01 && break
    done

    # Away from the choice rows, so that a menu on the way waits rather than taking a choice.
    local n
    for n in 1 2 3 4 5 6; do
        xdotool mousemove --window "$wid" $((320 * WIDTH / 640)) $((460 * HEIGHT / 480)) click 1
        sleep 1.5
        import -window "$wid" "$work/shot-click$n.png"
    done

    xdotool key --window "$wid" Escape
    sleep 0.7
    import -window "$wid" "$work/shot-dialog.png"
    xdotool mousemove --window "$wid" $(((179 + 48 + 44) * WIDTH / 640)) \
        $(((186 + 68 + 12) * HEIGHT / 480))
    sleep 0.3
    xdotool click 1
    local status=""
    for _ in $(seq 50); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $pid 2>/dev/null; then
        echo "the program did not end after ＯＫ"
        kill $pid
        wait $pid || true
        return 1
    fi
    status=0
    wait $pid || status=$?
    [ "$status" = 0 ] || { echo "exit status $status"; cat "$work/stderr"; return 1; }
    echo "exit status 0"
    [ -z "$(ls -A "$work/tmp")" ] || { echo "left in the temporary folder:"; ls -la "$work/tmp"; return 1; }
}

check() {
    local work=$1 failed=0 shot m s forest=0 previous="" changed
    m=$(middle "$work/shot-title.png")
    echo "title: mean $m in the middle"
    above "$m" 0.01 || { echo "the title is not drawn"; failed=1; }
    for shot in "$work"/shot-click*.png; do
        m=$(mean "$shot")
        s=$(spread "$shot")
        echo "$(basename "$shot"): mean $m, spread $s"
        above "$s" 0.01 || { echo "$(basename "$shot") is of one colour"; failed=1; }
        # Leaves and grass: bright, and green above blue.
        above "$(convert "$shot" -format "%[fx:mean.g - mean.b]" info:)" 0.05 && above "$m" 0.2 &&
            forest=1
        if [ -n "$previous" ]; then
            changed=$(difference "$previous" "$shot")
            echo "  pixels changed since $(basename "$previous"): $changed"
            above "$changed" 100 || { echo "$(basename "$shot") did not change"; failed=1; }
        fi
        previous=$shot
    done
    [ "$forest" = 1 ] || { echo "no screenshot shows the forest"; failed=1; }
    changed=$(difference "$previous" "$work/shot-dialog.png")
    echo "shot-dialog.png: pixels changed by the dialog: $changed"
    above "$changed" 1000 || { echo "no dialog after Escape"; failed=1; }
    return $failed
}

if [ "${1:-}" = "--inside" ]; then
    # Already on the virtual server (xvfb-run's shell does not pass functions on).
    inner "$2" "$3"
    exit 0
fi

player=$1 tool=$2 art=$3 story=$4 work=$5
rm -rf "$work"
mkdir -p "$work/data"
"$art" "$work/data" >/dev/null
"$tool" compile "$story" "$work/data/autorun.qke" >/dev/null
"$tool" pack "$work/data" "$work/MoriNoKomichi" --player "$player" >/dev/null
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$work/MoriNoKomichi" "$work"
check "$work"
