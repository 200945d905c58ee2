#!/usr/bin/env python3
"""How long the Add dialog takes to reach the screen and the accessibility bus.

  add_dialog_access.py PROGRAM_FOLDER [ROUNDS]

Run by add_dialog_access.sh, which makes a program folder with 1,000 files for the
dialog to list. Prints the time from pressing Add until the dialog is mapped on the X
server and until it is seen on the accessibility bus, and how long a client takes to walk
every node of the dialog once it lists its files, for each round; asserts nothing.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import desktop as d  # noqa: E402
from desktop import log, wait_for  # noqa: E402


def measure(folder, rounds):
    with d.running(folder, os.path.join(folder, "add_dialog.stderr")) as program:
        window = program.top_level("Ondrevo")
        for n in range(rounds):
            start = time.monotonic()
            d.press(window, "Add")
            wait_for("the dialog on screen", lambda: d.x11_window("Add video files"), every=0.01)
            mapped = time.monotonic()
            dialog = program.top_level("Add video files")
            seen = time.monotonic()
            # A client that looks for a control by walking the dialog reads every file's
            # cells: its time grows with the files the dialog lists.
            wait_for("the files listed", lambda: d.find(dialog, lambda node: d.role(node) == "table cell"
                                                         and (node.name or "").startswith("clip ")))
            walk_start = time.monotonic()
            nodes = len(d.find_all(dialog, lambda node: True))
            walked = time.monotonic() - walk_start
            log("round %d: on screen after %.2f s, on the accessibility bus after %.2f s; a walk of its %d nodes "
                "took %.2f s" % (n + 1, mapped - start, seen - start, nodes, walked))
            d.key("Escape")
            wait_for("the dialog to close", lambda: program.gone("Add video files"))
        d.press(window, "Quit")
        program.wait_end()


if __name__ == "__main__":
    d.run_check(lambda: measure(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 3))
