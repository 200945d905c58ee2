#!/usr/bin/env python3
"""Picks "Fit with black bars" and ticks "Keep the source's date" with real clicks,
converts one 1280x720 clip to 176x144 and reads the 3GP file.

  fit_and_keep_date.py PROGRAM_FOLDER ARTEFACTS_FOLDER CLIP
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402


def picture_rows(path):
    """The first and last rows of the picture between the black bars."""
    out = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-i", path, "-vf",
                          "cropdetect=limit=24:round=1:reset=0", "-f", "null", "-"],
                         capture_output=True, text=True).stderr
    found = re.findall(r"y1:(\d+) y2:(\d+)", out)
    if not found:
        raise Failure("no crop line for %s" % path)
    return int(found[-1][0]), int(found[-1][1])


def check(folder, artefacts, clip):
    with d.running(folder, os.path.join(artefacts, "fit-and-keep-date.stderr"), [clip]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, 1, limit=60)
        d.show_tab(window, "Video Output Parameters", "Width Ratio")
        d.pick(window, "Width Ratio", "Fit with black bars")
        tab = d.find(window, lambda n: d.role(n) == "page tab" and n.name == "Other Settings")
        box = wait_for("the box \"Keep the source's date\"", lambda: d.find(
            window, lambda n: d.role(n) == "check box" and n.name == "Keep the source's date"))

        def ticked():
            if not d.showing(box):
                d.click(tab)
                return False
            if box.getState().contains(d.pyatspi.STATE_CHECKED):
                return True
            d.click(box)
            return False
        wait_for("the box ticked", ticked, every=0.5)
        d.press(window, "Convert")
        wait_for("the batch to end", lambda: d.enabled(d.button(window, "Add"))
                 and d.rows(d.file_list(window))[0][4] == "100%", limit=120)
        d.press(window, "Quit")
        program.wait_end()

    output = os.path.join(folder, "FFOutput", "holiday.3gp")
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-of", "csv=p=0", "-show_entries",
                            "stream=width,height,sample_aspect_ratio", output],
                           check=True, capture_output=True, text=True).stdout.strip()
    if probe != "176,144,1:1":
        raise Failure("frame and pixels: %r" % probe)
    top, bottom = picture_rows(output)
    if abs((bottom - top + 1) - 99) > 2 or abs(top - 22) > 2:
        raise Failure("the picture takes rows %d to %d, not 22 to 120" % (top, bottom))
    log("176x144, square pixels, the picture in rows %d to %d (%d rows)" % (top, bottom, bottom - top + 1))
    source, written = os.stat(clip).st_mtime_ns, os.stat(output).st_mtime_ns
    if source != written:
        raise Failure("modification time %d, the source's is %d" % (written, source))
    log("the output's modification time is the source's: %d ns" % written)


if __name__ == "__main__":
    d.run_check(lambda: check(sys.argv[1], sys.argv[2], sys.argv[3]))
