#!/bin/bash
# The packed demo read on a machine without a display (and, on the test machines, without a
# sound card): the player must say what happened in exactly one line of its own, and nothing
# of the audio libraries' chatter, and end with status 0.
# Usage: headless-quiet.sh PLAYER TOOL ARTPROGRAM STORY WORKDIR
set -euo pipefail
player=$1 tool=$2 art=$3 story=$4 work=$5
rm -rf "$work"
mkdir -p "$work/data"
"$art" "$work/data" >/dev/null
"$tool" compile "$story" "$work/data/autorun.qke" >/dev/null
"$tool" pack "$work/data" "$work/MoriNoKomichi" --player "$player" >/dev/null
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_AUDIODRIVER -u TAVRI_VERBOSE ASAN_OPTIONS=detect_leaks=0 \
    "$work/MoriNoKomichi" >"$work/stdout" 2>"$work/stderr" || status=$?
cat "$work/stderr"
[ "$status" = 0 ] || { echo "exit status $status"; exit 1; }
[ "$(wc -l <"$work/stderr")" = 1 ] || { echo "expected one line on standard error"; exit 1; }
grep -q '^MoriNoKomichi: no display (.*), so the novel was read without a window: 30 pages' \
    "$work/stderr" || { echo "not the line expected"; exit 1; }
