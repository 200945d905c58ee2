#!/usr/bin/env python3
"""Memory over cycles of adding every file of a folder through the Add dialog and pressing
Clear, with the accessibility bus on and a client reading the list as a screen reader
would.

  add_clear_memory.py PROGRAM_FOLDER CLIP_FOLDER [CYCLES] [READS]

Run by add_clear_memory.sh. Each cycle opens the dialog, goes to the clip folder, selects
every file with Ctrl+A in the dialog's list and presses Open, waits for the rows, reads
every cell of the list over the bus READS times (1 by default), then presses Clear. Prints the program's resident
memory (RSS) and proportional memory (PSS) after each Clear, the time each dialog took to
reach the screen, and the growth per cycle; asserts nothing.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import desktop as d  # noqa: E402
import pyatspi  # noqa: E402
from desktop import log, wait_for  # noqa: E402


def memory_mib(pid):
    found = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            key = line.split(":")[0]
            if key in ("Rss", "Pss", "Anonymous"):
                found[key] = int(line.split()[1]) / 1024.0
    return found["Rss"], found["Pss"], found["Anonymous"]


def add_folder(program, window, clips, count):
    start = time.monotonic()
    d.press(window, "Add")
    wait_for("the dialog on screen", lambda: d.x11_window("Add video files"), every=0.01)
    shown = time.monotonic() - start
    dialog = program.top_level("Add video files")
    name_field = wait_for("the dialog's file name field",
                          lambda: d.find(dialog, lambda n: d.role(n) == "text" and n.name.startswith("File name")))
    d.click(name_field)
    d.key("ctrl+a")
    d.type_text(clips)
    d.key("Return")

    def listed():
        cells = d.find_all(dialog, lambda n: d.role(n) == "table cell" and n.name.startswith("clip "))
        return cells[0] if cells and d.showing(cells[0]) else None
    cell = wait_for("the clip folder listed in the dialog", listed)

    # The first click may only close the name field's completion list.
    def selected():
        if cell.getState().contains(pyatspi.STATE_SELECTED):
            return True
        d.click(cell)
        return False
    wait_for("a file selected in the dialog's list", selected, every=0.5)
    d.key("ctrl+a")
    d.key("Return")
    wait_for("the dialog to close", lambda: program.gone("Add video files"))
    d.wait_for_rows(window, count, limit=120)
    return shown


def measure(folder, clips, cycles, reads):
    count = len(os.listdir(clips))
    with d.running(folder, os.path.join(folder, "add_clear.stderr")) as program:
        window = program.top_level("Ondrevo")
        d.file_list(window)
        log("before the first cycle: RSS %.1f MiB, PSS %.1f MiB, anonymous %.1f MiB" % memory_mib(program.pid))
        samples = []
        for n in range(cycles):
            shown = add_folder(program, window, clips, count)
            table = d.file_list(window)
            full = memory_mib(program.pid)
            # Read as a screen reader reads the list: every cell, `reads` times.
            for _ in range(reads):
                d.rows(table)
            read = memory_mib(program.pid)
            d.press(window, "Clear")
            wait_for("the list emptied", lambda: table.queryTable().nRows == 0)
            time.sleep(0.5)
            after = memory_mib(program.pid)
            samples.append(after)
            log("cycle %d: dialog on screen after %.2f s; RSS %.1f MiB with %d rows, %.1f MiB once read, "
                "%.1f MiB after Clear (PSS %.1f MiB, anonymous %.1f MiB)"
                % (n + 1, shown, full[0], count, read[0], after[0], after[1], after[2]))
        if len(samples) > 1:
            log("growth per cycle after the first: RSS %.2f MiB, PSS %.2f MiB, anonymous %.2f MiB"
                % tuple((samples[-1][k] - samples[0][k]) / (len(samples) - 1) for k in range(3)))
        d.press(window, "Quit")
        program.wait_end()


if __name__ == "__main__":
    arguments = sys.argv[1:] + [None] * 2
    d.run_check(lambda: measure(arguments[0], arguments[1], int(arguments[2] or 7), int(arguments[3] or 1)))
