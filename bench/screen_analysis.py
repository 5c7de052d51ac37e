#!/usr/bin/env python3
"""What reached the screen in a recording of the reference show: video frames
shown a second (in the part of the video no picture window covers) and, for
each picture window, the switches seen and how far the gaps between them are
from the switch time. Reads a 1920x1080 recording through ffmpeg, at 480x270
in grey."""
import subprocess
import sys

W, H = 480, 270
FPS = 30


def regions():
    # The reference show: five windows down the right edge, five along the
    # bottom, each 1/5 of the screen wide... in 480x270 screen pixels.
    for k in range(10):
        if k < 5:
            x, y, w, h = 384, k * 43.2, 96, 43.2
        else:
            x, y, w, h = (k - 5) * 76.8, 226.8, 76.8, 43.2
        yield int(x) + 3, int(y) + 3, int(x + w) - 3, int(y + h) - 3


def main(path, switch_s):
    raw = subprocess.run(['ffmpeg', '-loglevel', 'error', '-i', path, '-vf',
                          f'scale={W}:{H},format=gray', '-f', 'rawvideo', '-'],
                         capture_output=True, check=True).stdout
    frames = [raw[i:i + W * H] for i in range(0, len(raw) - W * H + 1, W * H)]
    seconds = len(frames) / FPS

    def mean_diff(a, b, box):
        x0, y0, x1, y1 = box
        total = 0
        for y in range(y0, y1, 2):
            row = y * W
            for x in range(x0, x1, 2):
                total += abs(a[row + x] - b[row + x])
        return total / (((x1 - x0) // 2) * ((y1 - y0) // 2))

    video = (0, 0, 370, 215)
    shown = sum(1 for a, b in zip(frames, frames[1:]) if mean_diff(a, b, video) > 0.5)
    print(f'video frames shown: {shown / seconds:.1f} a second over {seconds:.0f} s')
    if switch_s <= 0:
        return
    worst_all = 0
    for k, box in enumerate(regions()):
        moments = [i / FPS for i, (a, b) in enumerate(zip(frames, frames[1:]), 1)
                   if mean_diff(a, b, box) > 8]
        gaps = [b - a for a, b in zip(moments, moments[1:])]
        worst = max((abs(g - switch_s) for g in gaps), default=0)
        worst_all = max(worst_all, worst)
        print(f'window {k + 1}: {len(moments)} switches seen, gaps off {switch_s} s '
              f'by at most {worst * 1000:.0f} ms')
    print(f'all windows: gaps off by at most {worst_all * 1000:.0f} ms '
          f'(a frame is {1000 / FPS:.0f} ms)')


if __name__ == '__main__':
    # A switch time of 0: the video alone (the bare player has no windows).
    main(sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 5.0)
