#!/usr/bin/env python3
"""Measures how long a saved layout change takes to reach a playing show's
screen, and whether the windows that did not change stay on the screen
throughout. Runs the display player in a window under Xvfb with a window
manager, records the screen with ffmpeg, replaces the layout file twenty
times (moving one picture window back and forth) and reads the recording.

    bench/live_reload.py BUILD_DIR [CHANGES]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
changes = int(sys.argv[2]) if len(sys.argv) > 2 else 20
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
binary = os.path.join(os.path.abspath(build), "src", "tessellview")
display = ":79"
env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
FPS = 25

show = tempfile.mkdtemp(prefix="tessellview-live-")
for name in os.listdir(os.path.join(root, "samples")):
    shutil.copy(os.path.join(root, "samples", name), show)
layout = os.path.join(show, "demo.TXT")
original = bytearray(open(layout, "rb").read())


def variant(moved):
    data = bytearray(original)
    # Picture slot 3 (bytes 14..17): at x = 60 % as stored, or at x = 10 %.
    data[14] = 10 if moved else 60
    return data


def replace(data):
    with open(layout + ".tmp", "wb") as out:
        out.write(data)
    os.rename(layout + ".tmp", layout)


procs = []
try:
    procs.append(subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x720x24"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    time.sleep(1)
    procs.append(subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    time.sleep(0.5)
    log = open(os.path.join(show, "player.log"), "w")
    player = subprocess.Popen([binary, "--play", layout, "--window"], env=env,
                              stdout=log, stderr=log)
    procs.append(player)
    time.sleep(3)
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tessellview$"],
                         env=env, capture_output=True, text=True).stdout.split()
    for window in ids:
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=env,
                                  capture_output=True, text=True).stdout
        values = dict(line.split("=") for line in geometry.split() if "=" in line)
        if int(values["WIDTH"]) > 100:
            break
    x, y = int(values["X"]), int(values["Y"])
    w, h = int(values["WIDTH"]), int(values["HEIGHT"])
    # Two probes, each a few pixels: where slot 3 arrives when moved (the
    # video window's lower left part is drawn over by it), and slot 1, which
    # never changes.
    probes = {"moved": (x + int(w * 0.25), y + int(h * 0.85)),
              "kept": (x + int(w * 0.8), y + int(h * 0.17))}
    recording = os.path.join(show, "screen.rgb")
    grab = subprocess.Popen(
        ["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-framerate", str(FPS),
         "-video_size", "1280x720", "-i", display, "-f", "rawvideo", "-pix_fmt", "rgb24",
         recording], env=env)
    procs.append(grab)
    # The recording's clock: when the file first holds frames, that many
    # frames' time has passed since the first was taken.
    while not os.path.exists(recording) or os.path.getsize(recording) < 1280 * 720 * 3:
        time.sleep(0.005)
    started = time.monotonic() - (os.path.getsize(recording) // (1280 * 720 * 3)) / FPS
    time.sleep(1)
    moments = []
    for n in range(changes):
        moments.append(time.monotonic() - started)
        replace(variant(n % 2 == 0))
        time.sleep(2.5)
    grab.terminate()
    grab.wait()
finally:
    for proc in reversed(procs):
        proc.terminate()

frame_bytes = 1280 * 720 * 3
data = open(recording, "rb").read()
frames = len(data) // frame_bytes


def pixel(frame, point):
    offset = frame * frame_bytes + (point[1] * 1280 + point[0]) * 3
    return tuple(data[offset:offset + 3])


moved = [pixel(f, probes["moved"]) for f in range(frames)]
kept = [pixel(f, probes["kept"]) for f in range(frames)]
black_kept = sum(1 for p in kept if max(p) < 16)
# Slot 3's picture is purple; the video window below shows other colours.
def purple(p):
    return p[0] > 80 and p[2] > 120 and p[1] < p[2] - 30

latencies = []
for n, moment in enumerate(moments):
    want = n % 2 == 0  # moved in, or moved away again
    first = int(moment * FPS)
    for f in range(first, frames):
        if purple(moved[f]) == want:
            latencies.append(f / FPS - moment)
            break
print(f"changes: {len(moments)}, seen on the screen: {len(latencies)}")
if latencies:
    print(f"change to screen: median {statistics.median(latencies) * 1000:.0f} ms, "
          f"max {max(latencies) * 1000:.0f} ms (at {FPS} frames a second)")
print(f"frames recorded: {frames}; frames where the unchanged window was black: {black_kept}")
print(open(os.path.join(show, "player.log")).read().count("reloaded"), "reloads logged")
shutil.rmtree(show, ignore_errors=True)
