#!/usr/bin/env python3
"""A folder of clips, some broken, given at start and converted unattended with two files
at once; then the same again, stopped in the middle.

  folder_batch.py PROGRAM_FOLDER CLIP_FOLDER

Prints how long adding and converting took, the program's memory (PSS) along the way,
how many outputs are valid, how many rows failed and with what reasons (read from the
list's journal in LibFFmpeg.Dat), whether a box appeared, and after Stop whether every
file that was running is playable. Asserts nothing.
"""
import collections
import json
import os
import sqlite3
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import desktop as d  # noqa: E402
from desktop import log, wait_for  # noqa: E402


def pss_mib(pid):
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            if line.startswith("Pss:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def journal(folder):
    with sqlite3.connect(os.path.join(folder, "LibFFmpeg.Dat"), timeout=10) as db:
        # File names are bytes: a name that is not UTF-8 comes back as the file system has it.
        db.text_factory = lambda raw: raw.decode("utf-8", "surrogateescape")
        return db.execute("select file_name, file_image, file_hint from filelist_journal order by file_pos").fetchall()


def valid(path):
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "json", path],
                           capture_output=True, text=True)
    try:
        return float(json.loads(probe.stdout)["format"]["duration"]) > 0
    except (KeyError, ValueError):
        return False


def boxes(program):
    app = program.application()
    return [app.getChildAtIndex(i).name for i in range(app.childCount)
            if app.getChildAtIndex(i) is not None and d.role(app.getChildAtIndex(i)) in ("alert", "dialog")
            and d.showing(app.getChildAtIndex(i))]


def run(folder, clips, stop_midway):
    output = os.path.join(folder, "FFOutput")
    for name in os.listdir(output):
        os.remove(os.path.join(output, name))
    expected = sum(len(files) for _, _, files in os.walk(clips))
    start = time.monotonic()
    with d.running(folder, os.path.join(folder, "batch.stderr"), [clips]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, expected, limit=600)
        added = time.monotonic()
        log("%d rows added in %.1f s, PSS %.1f MiB" % (expected, added - start, pss_mib(program.pid)))
        d.press(window, "Convert")
        samples = []
        status = d.status_line(window)
        while not d.enabled(d.button(window, "Add")) or not samples:
            rows = journal(folder)
            done = sum(1 for _, image, _ in rows if image in (11, 18))
            samples.append((done, pss_mib(program.pid)))
            if stop_midway and done >= expected // 2:
                d.press(window, "Stop")
                running = [name for name, image, _ in rows if image == 3]
                log("stopped with %d rows done; running: %s" % (done, running))
                break
            if boxes(program):
                log("a box appeared: %s" % boxes(program))
                break
            time.sleep(2)
        wait_for("the encoders to end", lambda: not [c for c, cmd in d.children_of(program.pid) if "ffmpeg" in cmd],
                 limit=60)
        ended = time.monotonic()
        rows = journal(folder)
        images = collections.Counter(image for _, image, _ in rows)
        reasons = collections.Counter((hint.split(":")[-1].strip() or "(none)") for _, image, hint in rows
                                      if image == 18)
        outputs = [name for name in os.listdir(output) if not name.startswith(".")]
        good = sum(1 for name in outputs if valid(os.path.join(output, name)))
        log("batch: %.1f s; rows by image %s; %d outputs, %d valid; leftover temporary files: %d"
            % (ended - added, dict(images), len(outputs), good, len(os.listdir(output)) - len(outputs)))
        log("failure reasons: %s" % dict(reasons))
        log("PSS while converting (rows done, MiB): %s" % samples[:: max(1, len(samples) // 12)])
        log("boxes: %s; status line: %r" % (boxes(program), d.text_of(status)))
        d.press(window, "Quit")
        program.wait_end()


if __name__ == "__main__":
    folder, clips = sys.argv[1], sys.argv[2]
    d.run_check(lambda: (run(folder, clips, False), run(folder, clips, True)))
