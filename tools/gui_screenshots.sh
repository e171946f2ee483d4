#!/usr/bin/env bash
# Drives vexagrid --sim under Xvfb as an operator would and saves screenshots:
# adds a sample marker with File > Add, zooms into the preview with the wheel
# and selects with a box, shows the printed dots and the settings dialog,
# presses start, waits until the job has left the list, then starts a second
# job, pauses and resumes it. Once in Chinese and once in English.
#   tools/gui_screenshots.sh BUILD_DIR OUT_DIR
# Needs xvfb, xdotool, x11-utils, imagemagick and fonts-noto-cjk.
set -euo pipefail
build=$(cd "${1:?usage: gui_screenshots.sh BUILD_DIR OUT_DIR}" && pwd)
mkdir -p "${2:?}"; out=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
width=1600 height=1000

fail() { echo "gui_screenshots.sh: $*" >&2; exit 1; }

for n in $(seq 90 140); do [ -e /tmp/.X$n-lock ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 ${width}x${height}x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
app=""
trap 'kill $app $xvfb 2>/dev/null || true; wait 2>/dev/null || true' EXIT
export DISPLAY=$display
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

shot() { import -window root "$out/$1"; echo "saved $out/$1"; }
# The control bar's buttons, from the right edge of the maximised window.
click_bar() {  # start | pause
    local x
    case $1 in start) x=$((width - 145));; pause) x=$((width - 96));; esac
    xdotool mousemove "$x" 265 click 1
}
wait_for() {  # seconds, test...
    local t=$1; shift
    for i in $(seq $((t * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
add_file() {  # the File menu's "Add" entry and its file dialog
    xdotool mousemove 600 700 click 1; sleep 0.3  # the window takes the keyboard
    xdotool key alt+f; sleep 0.5; xdotool key a; sleep 1.5
    xdotool type --delay 5 "$1"; sleep 0.3; xdotool key Return; sleep 1
}

view_menu() {  # the View menu's entry at this position (0 the first)
    xdotool key alt+v; sleep 0.5
    for _ in $(seq "$1"); do xdotool key Down; done
    xdotool key Return; sleep 0.5
}

run() {  # language 0|1, suffix
    local lang=$1 tag=$2 home
    home=$(mktemp -d)
    # Vexa.ini (GBK keys): the language, and no automatic start, so that
    # start is pressed by hand.
    printf '[Para]\r\n\xd3\xef\xd1\xd4=%s\r\n\xd7\xd4\xb6\xaf\xbf\xaa\xca\xbc\xb4\xf2\xd3\xa1=0\r\n' "$lang" >"$home/Vexa.ini"
    VEXAGRID_HOME=$home "$build/ui/vexagrid" --sim --time-scale 0.1 >"$home/log" 2>&1 & app=$!
    wait_for 20 xdotool search --onlyvisible --name VexaGrid >/dev/null || fail "no window"
    sleep 1.5
    add_file "$root/examples/small_labels.plt"
    shot "job-added-$tag.png"
    # Zoomed in about a point of the marker with the wheel, then a box selection.
    xdotool mousemove 190 880
    for _ in 1 2 3 4; do xdotool click 4; sleep 0.15; done
    xdotool mousemove 100 500 mousedown 1; sleep 0.2
    xdotool mousemove 300 700; sleep 0.2; xdotool mousemove 500 900; sleep 0.2; xdotool mouseup 1; sleep 1
    shot "preview-selection-$tag.png"
    view_menu 3   # printed dots
    sleep 3
    shot "printed-dots-$tag.png"
    view_menu 3   # back to the curves
    view_menu 2   # fit to screen
    xdotool key alt+s; sleep 0.5; xdotool key p; sleep 1.5
    shot "settings-$tag.png"
    xdotool key Escape; sleep 0.5
    click_bar start
    sleep 1.5
    shot "printing-$tag.png"
    wait_for 60 test -e "$home/printed/job-0001.png" || fail "the first job did not print ($tag)"
    sleep 1
    shot "job-done-$tag.png"
    # A longer job: start, pause while it prints, resume.
    "$build/tools/vexagrid-genmarker" "$home/long.plt" --length-mm 3000 --width-mm 1000 >/dev/null
    add_file "$home/long.plt"
    click_bar start
    sleep 4
    click_bar pause
    sleep 1.5
    shot "paused-$tag.png"
    click_bar start   # resumes a paused machine
    wait_for 120 test -e "$home/printed/job-0002.png" || fail "the second job did not finish ($tag)"
    sleep 1
    shot "all-done-$tag.png"
    kill "$app"; wait "$app" 2>/dev/null || true; app=""
    rm -rf "$home"
}

run 0 zh
run 1 en
