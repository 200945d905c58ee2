#!/usr/bin/env python3
"""Picks "295 KB (MMS)" as "Largest file size" with the mouse and converts clips of several
lengths; then ticks "Cut to fit" and converts them again.

  size_limit_as_a_user.py PROGRAM_FOLDER ARTEFACTS_FOLDER CLIPS_FOLDER
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

LIMIT = 295 * 1024
SIZE_TAB = "File Size"
SELECTOR = "Largest file size"
# Name, playing seconds, whether it must fit whole (moving ones at 75 % of the limit or more).
CLIPS = [("moving12", 12, "moving"), ("noisy20", 20, "moving"), ("still8", 8, "still"),
         ("moving30", 30, "moving"), ("long600", 600, "refused")]


def row_tip(program, table, row, expected):
    """The tool tip of a row's file name, once it is the row's own: a tip still showing for
    the row before goes first."""
    for _ in range(5):
        tip = d.tool_tip(program, d.cell(table, row, 1))
        if tip.startswith(expected):
            return tip
        d.xdotool("mousemove", 0, 0)
        time.sleep(1.5)
    return tip


def convert(window):
    d.press(window, "Convert")
    wait_for("the batch to start", lambda: not d.enabled(d.button(window, "Add")), every=0.05)
    wait_for("the end of the batch", lambda: d.enabled(d.button(window, "Add")), d.BATCH_WAIT, every=0.5)


def check_output_folder(output):
    """Nothing over the limit, and no temporary file, is left in the output folder."""
    for name in os.listdir(output):
        size = os.path.getsize(os.path.join(output, name))
        if size > LIMIT or "ondrevo-part" in name:
            raise Failure("%s (%d bytes) is in the output folder; the limit is %d" % (name, size, LIMIT))


def main():
    folder, artefacts, clips = sys.argv[1:4]
    os.makedirs(artefacts, exist_ok=True)
    output = os.path.join(folder, "FFOutput")
    with d.running(folder, os.path.join(artefacts, "size-limit.stderr")) as program:
        window = program.top_level("Ondrevo")
        d.show_tab(window, SIZE_TAB, SELECTOR)
        shown = d.selector_text(d.selector(window, SELECTOR))
        if shown != "No limit":
            raise Failure("%r shows %r at first, not 'No limit'" % (SELECTOR, shown))
        d.pick(window, SELECTOR, "295 KB (MMS)")
        d.screenshot("Ondrevo", os.path.join(artefacts, "size-limit-page.png"))
        paths = [os.path.join(clips, name + ".mp4") for name, _, _ in CLIPS]
        for path in paths:
            d.add_file(program, window, path)
        convert(window)
        table = d.file_list(window)
        cells = d.rows(table)
        check_output_folder(output)
        for row, (name, seconds, kind) in enumerate(CLIPS):
            result = os.path.join(output, name + ".3gp")
            if kind == "refused":
                tip = row_tip(program, table, row, "Needs at least")
                if os.path.exists(result) or not tip.startswith("Needs at least"):
                    raise Failure("%s: output %s, tool tip %r" % (name, os.path.exists(result), tip))
                log("%s: refused before encoding: %r" % (name, tip))
                continue
            size, played = os.path.getsize(result), d.playing_seconds(result)
            if abs(played - seconds) > 0.5 or cells[row][4] != "100%":
                raise Failure("%s: plays %.2f s of %d s, percent %s" % (name, played, seconds, cells[row][4]))
            if kind == "moving" and size < LIMIT * 3 // 4:
                raise Failure("%s: %d bytes, less than 75 %% of the limit" % (name, size))
            if name == "moving30":
                # Its sound gives way so that the picture fits, and the row says so.
                tip = row_tip(program, table, row, "Sound at ")
                if tip != "Sound at 32 kbit/s to fit 295 KB":
                    raise Failure("%s: tool tip %r" % (name, tip))
            log("%s: %d bytes (%.1f %% of the limit), plays %.2f s" % (name, size, 100.0 * size / LIMIT, played))

        cut = d.find(window, lambda n: d.role(n) == "check box" and n.name == "Cut to fit")
        d.click(cut)
        wait_for("'Cut to fit' ticked", lambda: cut.getState().contains(d.pyatspi.STATE_CHECKED))
        convert(window)
        check_output_folder(output)
        result = os.path.join(output, "long600.3gp")
        tip = row_tip(program, table, 4, "Cut to fit 295 KB: ")
        if not os.path.exists(result) or not tip.startswith("Cut to fit 295 KB: "):
            raise Failure("long600 with 'Cut to fit': output %s, tool tip %r" % (os.path.exists(result), tip))
        log("long600 with 'Cut to fit': %d bytes, plays %.2f s: %r"
            % (os.path.getsize(result), d.playing_seconds(result), tip))
        d.close_window("Ondrevo")
        status = program.wait_end()
        if status != 0:
            raise Failure("the program ended with status %s" % status)


if __name__ == "__main__":
    d.run_check(main)
