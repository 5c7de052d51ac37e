#!/usr/bin/env bash
# Starts Tessellview under a virtual X display with a window manager, runs the
# given xdotool steps, and writes a screenshot. For looking at the program as a
# user does.
#   [TESSELLVIEW_ARGS="samples/demo.TXT"] tools/screenshot.sh OUT.png ["xdotool command line" ...]
# Each argument is one xdotool command line, run on its own, so that a "type"
# ends where its argument ends.
set -euo pipefail
out=${1:?usage: tools/screenshot.sh OUT.png [xdotool steps...]}
shift || true
for p in xvfb xdotool imagemagick openbox; do
    dpkg-query -W -f='${Status}' $p 2>/dev/null | grep -q 'install ok installed' ||
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $p; }
done
display=:${DISPLAY_NUMBER:-77}
Xvfb "$display" -screen 0 1600x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $wm $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
# shellcheck disable=SC2086 # the arguments are split into words on purpose
DISPLAY=$display QT_QPA_PLATFORM=xcb ./build/src/tessellview ${TESSELLVIEW_ARGS:-} &
app=$!
sleep 2
for step in "$@"; do
    # shellcheck disable=SC2086 # each step is split into xdotool's own words
    DISPLAY=$display xdotool $step
    sleep 0.2
done
sleep 1
DISPLAY=$display import -window root "$out"
