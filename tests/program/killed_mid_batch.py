#!/usr/bin/env python3
"""Kills the program in the middle of a batch, starts it again, and ends it by SIGTERM,
then by SIGTERM twice.

  killed_mid_batch.py PROGRAM_FOLDER ARTEFACTS_FOLDER SHORT_CLIP BROKEN_FILE SHORT_CLIP SHORT_CLIP LONG_CLIP
"""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

RESTORED = "The list of the last session was restored"


def encoders_of(pid):
    return [child for child, command in d.children_of(pid) if "ffmpeg" in command]


def held_or_ended(pid):
    """'T' once the process is stopped, 'ended' once it has ended; None while it runs."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return "ended"
    return state if state == "T" else "ended" if state == "Z" else None


def check(folder, artefacts, clips):
    d.become_subreaper()
    output = os.path.join(folder, "FFOutput")
    with d.running(folder, os.path.join(artefacts, "killed.stderr"), clips) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        wait_for("the five files given at start",
                 lambda: [row[0] for row in d.rows(table)] == clips and d.enabled(d.button(window, "Convert")))
        d.press(window, "Convert")
        wait_for("the last row's progress", lambda: d.rows(table)[4][4] not in ("0%", "100%"), d.BATCH_WAIT)
        encoders = wait_for("the encoder", lambda: encoders_of(program.pid))
        log("converting, encoder %s; killing the program" % encoders)
    program.process.send_signal(signal.SIGKILL)
    program.process.wait()
    killed = time.monotonic()

    def encoders_gone():
        d.reap()
        return not any(os.path.exists("/proc/%d" % pid) and open("/proc/%d/stat" % pid).read().split()[2] != "Z"
                       for pid in encoders)
    wait_for("the encoder to end with the program", encoders_gone, limit=3)
    log("the encoder ended %.1f s after the program was killed" % (time.monotonic() - killed))
    finals = sorted(name for name in os.listdir(output) if not name.startswith("."))
    if finals != ["short 1.3gp", "short 2.3gp", "short 3.3gp"]:
        raise Failure("files under a final name after the kill: %s" % finals)

    with d.running(folder, os.path.join(artefacts, "restarted.stderr")) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        wait_for("the restored list", lambda: len(d.rows(table)) == len(clips))
        cells = d.rows(table)
        if [row[0] for row in cells] != clips:
            raise Failure("restored rows: %s" % cells)
        # Converted rows keep their percent; the broken file and the interrupted one
        # start again from nothing.
        percents = [row[4] for row in cells]
        if percents != ["100%", "0%", "100%", "100%", "0%"]:
            raise Failure("restored percent cells: %s" % percents)
        # Tool tips show in the active window: a click on the row makes it so.
        d.click(d.cell(table, 1, 0))
        tip = d.tool_tip(program, d.cell(table, 1, 1))
        if not tip.startswith(clips[1]):
            raise Failure("the broken file's reason after the restart: %r" % tip)
        status = d.text_of(d.status_line(window))
        if not status.startswith(RESTORED):
            raise Failure("the status line says %r after the restart" % status)
        log("restored: %s" % [(row[0], row[4]) for row in cells])
        # Ended by the system this time (a shutdown's SIGTERM): the encoder finishes its
        # part, which is kept, and the program ends by itself.
        d.press(window, "Convert")
        wait_for("the last row's progress", lambda: d.rows(table)[4][4] not in ("0%", "100%"), d.BATCH_WAIT)
        program.process.send_signal(signal.SIGTERM)
        status = program.wait_end(d.BATCH_WAIT)
    if status != 0:
        raise Failure("the program ended with status %s after SIGTERM" % status)
    finals = sorted(os.listdir(output))
    if finals != ["long clip.3gp", "short 1.3gp", "short 2.3gp", "short 3.3gp"]:
        raise Failure("files in the output folder after SIGTERM: %s" % finals)
    seconds = d.playing_seconds(os.path.join(output, "long clip.3gp"))
    if not 0 < seconds < 60:
        raise Failure("the part kept after SIGTERM plays %s s" % seconds)
    log("after SIGTERM the part of the long clip was kept: %.1f s" % seconds)

    # The list of a program the system ended comes back too, the stopped row as stopped.
    with d.running(folder, os.path.join(artefacts, "after-term.stderr")) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        wait_for("the list kept after SIGTERM", lambda: len(d.rows(table)) == len(clips))
        if not d.text_of(d.status_line(window)).startswith(RESTORED):
            raise Failure("the status line says %r after SIGTERM" % d.text_of(d.status_line(window)))
        # Asked to end a second time, the program ends at once: it does not wait for the
        # encoder's part, which cannot finish here (the encoder is held stopped).
        d.press(window, "Convert")
        encoders = wait_for("the long clip's encoder", lambda: [
            pid for pid, command in d.children_of(program.pid) if "ffmpeg" in command and clips[4] in command],
            d.BATCH_WAIT)
        for pid in encoders:
            os.kill(pid, signal.SIGSTOP)
            if wait_for("the encoder to stop", lambda: held_or_ended(pid)) != "T":
                raise Failure("the encoder ended before it could be held")
        program.process.send_signal(signal.SIGTERM)
        wait_for("the window to go after the first SIGTERM", lambda: program.gone("Ondrevo"))
        program.process.send_signal(signal.SIGTERM)
        status = program.wait_end(d.BATCH_WAIT)
    if status != -signal.SIGTERM:
        raise Failure("after a second SIGTERM the program ended with status %s, not by the signal" % status)
    wait_for("the stopped encoder to end with the program", encoders_gone, limit=3)
    log("a second SIGTERM ended the program at once")

    # Ended so, it keeps its list too.
    with d.running(folder, os.path.join(artefacts, "after-second-term.stderr")) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        wait_for("the list kept after a second SIGTERM", lambda: len(d.rows(table)) == len(clips))
        d.press(window, "Quit")
        program.wait_end()
    # A normal Quit: the next start is empty again.
    with d.running(folder, os.path.join(artefacts, "last.stderr")) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        # The list is restored, when at all, right after the selectors are filled.
        wait_for("the selectors filled", lambda: d.selector_text(d.selector(window, "Video Codec")))
        d.pump()
        if d.rows(table):
            raise Failure("rows after a normal Quit and a new start: %s" % d.rows(table))
        d.press(window, "Quit")
        program.wait_end()
    log("after a normal Quit the next start shows an empty list")


if __name__ == "__main__":
    folder, artefacts, *clips = sys.argv[1:]
    d.run_check(lambda: check(folder, artefacts, clips))
