#!/bin/bash
# How close the video window's picture comes to an accurate scaling of the
# same frame (FFmpeg's lanczos with accurate rounding and full chroma
# interpolation), beside mpv's picture of it (software decoding, its x11
# output, captured from a 1920x1080 Xvfb screen): SSIM (1 is the same
# picture) and PSNR, for natural-looking footage and a fine grid, reduced and
# at their own size.
#   bench/frame_quality.sh BUILD_DIR
# The clips are tagged BT.709, as cameras and encoders tag HD.
set -u
build=$(realpath "${1:?build folder}")
work=$(mktemp -d)
display=:$((80 + RANDOM % 9))
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1

compare() { # what it says of $1 beside $2
    ffmpeg -hide_banner -i "$1" -i "$2" -lavfi "[0][1]ssim;[0][1]psnr" -f null - 2>&1 |
        awk '/SSIM/ {for (i = 1; i <= NF; i++) if ($i ~ /^All:/) s = substr($i, 5)}
             /PSNR/ {for (i = 1; i <= NF; i++) if ($i ~ /^average:/) p = substr($i, 9)}
             END {printf "SSIM %.3f PSNR %5.1f dB", s, p}'
}

mpv_frame() { # mpv's picture of clip $1 in a window of $2 x $3, into $4
    DISPLAY=$display mpv --no-config --really-quiet --vo=x11 --hwdec=no --no-border \
        --geometry="$2x$3+0+0" --autofit-larger="$2x$3" --pause --keep-open=always \
        --no-osc --no-osd-bar --osd-level=0 --cursor-autohide=always "$1" &
    local pid=$!
    sleep 3
    DISPLAY=$display import -window root -crop "$2x$3+0+0" +repage "$4"
    kill "$pid"
    wait "$pid" 2>/dev/null
}

# One row: ours and mpv's picture of $2 beside the accurate scaling, at the
# size ours came out at ($3 x $4 asked for; $5 the reference's extra options).
row() {
    QT_QPA_PLATFORM=offscreen "$build/bench/frame_quality" "$2" "$3" "$4" "$work/ours.png" \
        2>/dev/null || exit 1
    local shown w h
    shown=$(ffprobe -v error -select_streams v -show_entries stream=width,height \
        -of csv=s=x:p=0 "$work/ours.png")
    w=${shown%x*} h=${shown#*x}
    ffmpeg -loglevel error -i "$2" -vf \
        "scale=$w:$h:flags=lanczos+accurate_rnd+full_chroma_int+full_chroma_inp$5,format=rgb24" \
        -frames:v 1 "$work/reference.png"
    mpv_frame "$2" "$w" "$h" "$work/mpv.png"
    printf '%-34s %-28s %-28s\n' "$1 at $shown" \
        "$(compare "$work/ours.png" "$work/reference.png")" \
        "$(compare "$work/mpv.png" "$work/reference.png")"
    rm -f "$work"/*.png
}

printf '%-34s %-28s %-28s\n' "frame" "tessellview" "mpv"
for source in natural fine; do
    for size in 1920x1080 3840x2160; do
        case $source in
        natural) input="mandelbrot=size=$size:end_pts=1,hue=s=1.5" ;;
        fine) input="testsrc2=size=$size,drawgrid=w=4:h=4:t=1:c=black@0.8" ;;
        esac
        ffmpeg -loglevel error -y -f lavfi -i "$input" \
            -vf scale=out_color_matrix=bt709:out_range=tv -colorspace bt709 \
            -color_primaries bt709 -color_trc bt709 -frames:v 1 -c:v libx264 -preset veryfast \
            -crf 12 -pix_fmt yuv420p "$work/clip.mp4" || exit 1
        for shown in 960x540 1920x1080; do
            w=${shown%x*} h=${shown#*x}
            [ "$size" = 3840x2160 ] && [ "$shown" = 1920x1080 ] || [ "$size" = 1920x1080 ] || continue
            row "$source $size" "$work/clip.mp4" "$w" "$h" ":in_color_matrix=bt709"
        done
    done
done
# A large photo of fine detail in a picture window.
ffmpeg -loglevel error -y -f lavfi \
    -i "testsrc2=size=4000x2250,drawgrid=w=4:h=4:t=1:c=black@0.8" -frames:v 1 -q:v 2 \
    "$work/photo.jpg" || exit 1
row "4000x2250 JPEG" "$work/photo.jpg" 634 356 ""
