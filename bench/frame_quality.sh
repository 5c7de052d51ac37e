#!/bin/bash
# How close the video window's picture of a 4K clip of fine detail, drawn at
# 960x540, comes to FFmpeg's own lanczos scaling of the same frame: the SSIM
# of the two (1 is the same picture).
#   bench/frame_quality.sh BUILD_DIR
set -eu
build=$(realpath "${1:?build folder}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=3840x2160,drawgrid=w=4:h=4:t=1:c=black@0.8" \
    -frames:v 1 -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/fine.mp4"
QT_QPA_PLATFORM=offscreen "$build/bench/frame_quality" "$work/fine.mp4" 960 540 "$work/ours.png"
ffmpeg -loglevel error -i "$work/fine.mp4" -vf scale=960:540:flags=lanczos -frames:v 1 \
    "$work/lanczos.png"
ffmpeg -hide_banner -i "$work/ours.png" -i "$work/lanczos.png" -lavfi ssim -f null - 2>&1 |
    grep -o 'All:[0-9.]*' | sed 's/All:/SSIM beside lanczos at 960x540: /'
