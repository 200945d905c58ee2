#!/usr/bin/env python3
"""The batch's own cost per job through the real window (accessibility on, one file at a
time): the time between one encoder's end and the next one's start, against the same
argument lists run back to back by a plain loop through the same stand-in encoder.

  job_gaps.py PROGRAM_FOLDER CLIP_FOLDER WORK_FOLDER

Prints the median and mean gap of both and their difference per job. Asserts nothing.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import desktop as d  # noqa: E402
from desktop import log, wait_for  # noqa: E402


def gaps(path):
    """The encoder runs' lengths and the gaps between one's end and the next one's start."""
    times = [line.split() for line in open(path)]
    starts = [float(t[1]) for t in times if t[0] == "start"]
    ends = [float(t[1]) for t in times if t[0] == "end"]
    runs = [e - s for s, e in zip(starts, ends)]
    return runs, [s - e for e, s in zip(ends, starts[1:])]


def show(name, runs, between):
    log("%s: %d runs of %.0f ms (median); gap between runs: median %.1f ms, mean %.1f ms"
        % (name, len(runs), 1000 * statistics.median(runs), 1000 * statistics.median(between),
           1000 * statistics.mean(between)))


def measure(folder, clips, work):
    count = len(os.listdir(clips))
    with d.running(folder, os.path.join(work, "program.stderr"), [clips]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, count, limit=120)
        started = time.monotonic()
        d.press(window, "Convert")
        log_path = os.path.join(work, "gaps.log")
        # The first encoder starts once the batch has read the encoder's list.
        wait_for("the batch to end", lambda: os.path.exists(log_path)
                 and len([1 for line in open(log_path) if line.startswith("end")]) == count
                 and d.enabled(d.button(window, "Add")), limit=60 + 30 * count, every=0.2)
        log("batch of %d files through the window: %.1f s" % (count, time.monotonic() - started))
        d.press(window, "Quit")
        program.wait_end()
    ours, ours_gaps = gaps(os.path.join(work, "gaps.log"))
    # The same argument lists, in the order the program ran them, back to back.
    order = [line.split()[2] for line in open(os.path.join(work, "gaps.log")) if line.startswith("end")]
    commands = [open(os.path.join(work, "args." + pid)).read().split("\n")[:-1] for pid in order]
    env = dict(os.environ, ONDREVO_GAPS_LOG=os.path.join(work, "loop.log"))
    for command in commands:
        subprocess.run([os.path.join(folder, "bin", "ffmpeg")] + command, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    loop, loop_gaps = gaps(os.path.join(work, "loop.log"))
    show("Ondrevo", ours, ours_gaps)
    show("plain loop", loop, loop_gaps)
    log("the batch's own cost per job (target: at most 10 ms): %.1f ms (median), %.1f ms (mean)"
        % (1000 * (statistics.median(ours_gaps) - statistics.median(loop_gaps)),
           1000 * (statistics.mean(ours_gaps) - statistics.mean(loop_gaps))))


if __name__ == "__main__":
    d.run_check(lambda: measure(sys.argv[1], sys.argv[2], sys.argv[3]))
