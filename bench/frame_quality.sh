#!/bin/bash
# How close the video window's picture of a clip of fine detail, drawn at
# 960x540, comes to FFmpeg's own lanczos scaling of the same frame: the SSIM
# of the two (1 is the same picture), for a 1080p and a 4K clip.
#   bench/frame_quality.sh BUILD_DIR
# The clips are tagged BT.709, as cameras and encoders tag HD: an untagged HD
# clip is read as BT.709 by the player (as players do) but as BT.601 by
# FFmpeg's scaler, which would measure the guess instead of the filtering.
set -eu
build=$(realpath "${1:?build folder}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 1920x1080 3840x2160; do
    ffmpeg -loglevel error -f lavfi -i "testsrc2=size=$size,drawgrid=w=4:h=4:t=1:c=black@0.8" \
        -vf scale=out_color_matrix=bt709:out_range=tv -colorspace bt709 -color_primaries bt709 \
        -color_trc bt709 -frames:v 1 -c:v libx264 -preset veryfast -pix_fmt yuv420p \
        "$work/fine.mp4"
    QT_QPA_PLATFORM=offscreen "$build/bench/frame_quality" "$work/fine.mp4" 960 540 \
        "$work/ours.png" 2>/dev/null
    ffmpeg -loglevel error -i "$work/fine.mp4" \
        -vf scale=960:540:flags=lanczos:in_color_matrix=bt709,format=rgb24 -frames:v 1 \
        "$work/lanczos.png"
    ffmpeg -hide_banner -i "$work/ours.png" -i "$work/lanczos.png" -lavfi ssim -f null - 2>&1 |
        grep -o 'All:[0-9.]*' | sed "s/All:/SSIM of $size beside lanczos at 960x540: /"
    rm -f "$work"/*
done
