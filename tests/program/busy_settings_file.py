#!/usr/bin/env python3
"""Presses Convert while another program holds LibFFmpeg.Dat, then ends the program while
a row waits for it, once with Quit and once with SIGTERM.

  busy_settings_file.py PROGRAM_FOLDER ARTEFACTS_FOLDER CLIP CLIP
"""
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

WAITING = "Waiting for the settings file"
# Another program's exclusive transaction: the file can be neither read nor written until
# the holder is told to let go (a line on its input) or killed.
HOLDER = ("import sqlite3, sys\n"
          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
          "c.execute('begin exclusive')\n"
          "print('locked', flush=True)\n"
          "sys.stdin.readline()\n"
          "c.execute('rollback')\n")


def hold(database):
    holder = subprocess.Popen([sys.executable, "-c", HOLDER, database], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    if holder.stdout.readline().strip() != b"locked":
        raise Failure("the lock holder did not start")
    return holder


def release(holder):
    holder.stdin.write(b"\n")
    holder.stdin.close()
    holder.wait()


def leftovers(output):
    return [name for name in os.listdir(output) if name.startswith(".")]


def convert_while_held(program, database):
    window = program.top_level("Ondrevo")
    # The clips given at start, after the list of the last session if it was kept.
    convert = d.button(window, "Convert")
    wait_for("the clips added", lambda: d.enabled(convert) and d.file_list(window).queryTable().nRows >= 2)
    holder = hold(database)
    d.press(window, "Convert")
    return window, holder


def check(folder, artefacts, clips):
    database = os.path.join(folder, "LibFFmpeg.Dat")
    output = os.path.join(folder, "FFOutput")
    with d.running(folder, os.path.join(artefacts, "busy-released.stderr"), clips) as program:
        # Held until the first row is seen waiting for it, then let go: both convert.
        window, holder = convert_while_held(program, database)
        wait_for("a row waiting", lambda: d.text_of(d.status_line(window)).startswith(WAITING))
        release(holder)
        table = d.file_list(window)
        convert = d.button(window, "Convert")
        wait_for("both rows converted",
                 lambda: d.enabled(convert) and [row[4] for row in d.rows(table)] == ["100%", "100%"], d.BATCH_WAIT)
        if sorted(os.listdir(output)) != ["one.3gp", "two.3gp"]:
            raise Failure("the output folder holds %s" % sorted(os.listdir(output)))
        log("both rows converted once the settings file was free")

        # Held for good: Quit while the first row waits ends the program.
        holder = hold(database)
        d.press(window, "Convert")
        wait_for("a row waiting", lambda: d.text_of(d.status_line(window)).startswith(WAITING))
        d.press(window, "Quit")
        status = program.wait_end(d.WIDGET_WAIT)
    holder.kill()
    holder.wait()
    if status != 0:
        raise Failure("the program ended with status %s after Quit" % status)
    if leftovers(output):
        raise Failure("left in the output folder after Quit: %s" % leftovers(output))
    log("Quit ended the program while a row waited")

    with d.running(folder, os.path.join(artefacts, "busy-term.stderr"), clips) as program:
        window, holder = convert_while_held(program, database)
        wait_for("a row waiting", lambda: d.text_of(d.status_line(window)).startswith(WAITING))
        program.process.send_signal(signal.SIGTERM)
        status = program.wait_end(d.WIDGET_WAIT)
    holder.kill()
    holder.wait()
    if status != 0:
        raise Failure("the program ended with status %s after SIGTERM" % status)
    if leftovers(output):
        raise Failure("left in the output folder after SIGTERM: %s" % leftovers(output))
    log("SIGTERM ended the program while a row waited")


if __name__ == "__main__":
    folder, artefacts, *clips = sys.argv[1:]
    d.run_check(lambda: check(folder, artefacts, clips))
