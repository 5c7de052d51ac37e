#!/bin/bash
# The reference show of a display, measured as the public sees it: ten
# picture windows cycling 1920x1080 JPEGs every 5 s over a looping H.264
# video, full screen on a 1920x1080 X server with a window manager and no GPU.
# Prints the CPU (% of one core) and RSS of the player at three moments, the
# video frames a second and the picture switches seen in a screen recording,
# and how long Esc takes to end the show; then the same for the clip alone,
# for mpv playing the clip full screen in software, and for the decode floor
# (ffmpeg decoding the clip in real time to nothing).
#   bench/reference_show.sh BUILD_DIR [SECONDS] [1080|4k|4k10] [PICTURES_PER_WINDOW]
set -u
here=$(dirname "$(realpath "$0")")
build=$(realpath "${1:?build folder}")
seconds=${2:-600}
size=${3:-1080}
per_window=${4:-3}
record=20
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

case $size in
4k) dims=3840x2160 codec=(-c:v libx264 -pix_fmt yuv420p -preset veryfast) ;;
4k10) dims=3840x2160 codec=(-c:v libx265 -pix_fmt yuv420p10le -preset ultrafast -x265-params log-level=error) ;;
*) dims=1920x1080 codec=(-c:v libx264 -pix_fmt yuv420p -preset veryfast) ;;
esac
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=$dims:rate=30" -t 20 "${codec[@]}" \
    "$work/clip.mp4" || exit 1
for n in 1 2 3; do
    ffmpeg -loglevel error -f lavfi -i "testsrc2=size=1920x1080" -vf "hue=h=$((n * 120))" \
        -frames:v 1 "$work/pic$n.jpg" || exit 1
done
"$build/bench/make_reference_show" "$work" clip.mp4 "$per_window" || exit 1
mkdir "$work/alone" && ln "$work/clip.mp4" "$work/alone/clip.mp4" &&
    "$build/bench/make_reference_show" "$work/alone" clip.mp4 -1 || exit 1

Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_mb() { awk '/VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$1/status"; }

# Samples CPU and RSS at 1/10, 1/2 and the whole of the run.
measure() {
    local pid=$1 label=$2 last_t=0 last_ticks=0 t ticks_now
    local hz; hz=$(getconf CLK_TCK)
    for t in $((seconds / 10)) $((seconds / 2)) "$seconds"; do
        sleep $((t - last_t))
        ticks_now=$(ticks "$pid") || { echo "$label: ended early"; return 1; }
        printf '%-14s at %4d s: CPU %5.1f %% of a core, RSS %4d MB\n' "$label" "$t" \
            "$(echo "100 * ($ticks_now - $last_ticks) / $hz / ($t - $last_t)" | bc -l)" \
            "$(rss_mb "$pid")"
        last_t=$t
        last_ticks=$ticks_now
    done
}

analyse() {
    printf '%s, from a %d-s screen recording:\n' "$2" "$record"
    python3 "$here/screen_analysis.py" "$1" "$3"
}

cd "$work" || exit 1
"$build/src/tessellview" --play show.TXT 2>"$work/player.log" &
player=$!
measure "$player" "tessellview" || exit 1
ffmpeg -loglevel error -f x11grab -framerate 30 -video_size 1920x1080 -i "$display" -t "$record" \
    -c:v libx264 -preset ultrafast -qp 0 "$work/shown.mkv"
analyse "$work/shown.mkv" "tessellview" 5
start=$(date +%s%N)
xdotool key Escape
while kill -0 "$player" 2>/dev/null; do
    sleep 0.01
    [ $(( $(date +%s%N) - start )) -gt 30000000000 ] && break
done
printf 'Esc to exit: %d ms\n' $(( ($(date +%s%N) - start) / 1000000 ))
kill -9 "$player" 2>/dev/null

# Measures a player already started, records the screen and reads it.
watch() {
    local pid=$1 label=$2 name=$3
    measure "$pid" "$label" || exit 1
    ffmpeg -loglevel error -f x11grab -framerate 30 -video_size 1920x1080 -i "$display" \
        -t "$record" -c:v libx264 -preset ultrafast -qp 0 "$work/$name.mkv"
    analyse "$work/$name.mkv" "$label" 0
    kill "$pid"
}

"$build/src/tessellview" --play alone/show.TXT 2>"$work/alone.log" &
watch $! "clip alone" alone
mpv --no-config --really-quiet --vo=x11 --hwdec=no --loop=inf --fs --no-audio "$work/clip.mp4" &
watch $! "mpv" mpv

ffmpeg -loglevel error -re -stream_loop -1 -i "$work/clip.mp4" -f null - &
floor=$!
measure "$floor" "decode floor" || exit 1
kill "$floor"
