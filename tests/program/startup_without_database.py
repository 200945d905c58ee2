#!/usr/bin/env python3
"""A program folder without LibFFmpeg.Dat, as a person meets it.

  startup_without_database.py PROGRAM_FOLDER

The program creates an empty database in its working directory, reports the first table
it misses in the error report, and after OK shows its window with empty selectors.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

SELECTORS = ["Video Codec", "Video Bitrate", "Video Size", "Video Frame Rate", "Width Ratio",
             "Audio Codec", "Audio Bitrate", "Audio Channel", "Sampling Frequency"]


def main():
    folder = sys.argv[1]
    database = os.path.join(folder, "LibFFmpeg.Dat")
    if os.path.exists(database):
        raise Failure("%s should be missing for this check" % database)
    with d.running(folder, os.path.join(folder, "stderr.log")) as program:
        box = program.top_level("Ondrevo", roles=("alert", "dialog"))
        message = " ".join(n.name for n in d.find_all(box, lambda n: d.role(n) == "label" and n.name))
        if "cmbex_vdocodec" not in message:
            raise Failure("the error report says %r, expected it to name the table cmbex_vdocodec" % message)
        log("error report: %r" % message)
        if not os.path.isfile(database) or os.path.getsize(database) != 0:
            raise Failure("expected an empty %s, found %s" % (
                database, os.path.getsize(database) if os.path.exists(database) else "none"))
        log("an empty LibFFmpeg.Dat was created in the working directory")

        d.click(d.button(box, "OK"))
        window = program.top_level("Ondrevo", roles=("filler", "frame", "window"))
        wait_for("the error report to close", lambda: program.gone("Ondrevo", ("alert", "dialog")))
        for caption in SELECTORS:
            combo = d.selector(window, caption)
            text, entries = d.selector_text(combo), d.selector_entries(combo)
            if text or entries:
                raise Failure("selector %r shows %r with entries %s, expected it empty" % (caption, text, entries))
        log("the window is there with nine empty selectors")

        d.close_window("Ondrevo")
        status = program.wait_end()
        if status != 0:
            raise Failure("the program ended with status %s" % status)


if __name__ == "__main__":
    d.run_check(main)
