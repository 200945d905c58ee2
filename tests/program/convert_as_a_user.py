#!/usr/bin/env python3
"""Converts two clips and a broken file the way a person would, restarts, previews a clip,
and quits.

  convert_as_a_user.py PROGRAM_FOLDER ARTEFACTS_FOLDER LONG_CLIP SHORT_CLIP BROKEN_FILE

Starts `ondrevo` in PROGRAM_FOLDER (a fresh copy with the shipped database), sees its
widgets through the accessibility bus and presses them with real clicks and keys. Saves
screenshots into ARTEFACTS_FOLDER.
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
import pyatspi  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

# Two choices that differ from the shipped ones, on both tabs.
VIDEO_SIZE = ("Video Size", "704x576 (4CIF)", (704, 576))
AUDIO_CHANNEL = ("Audio Channel", "Mono", 1)
VIDEO_TAB = "Video Output Parameters"
BATCH_TEXT = re.compile(r"\d+ of \d+ files")
AUDIO_TAB = "Audio Output Parameters"


def probe_streams(path):
    """The picture size and the channels of a converted file, as tests/support/probe.sh reads them."""
    probe = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "probe.sh")
    out = subprocess.run(["bash", probe, path], check=True, capture_output=True, text=True).stdout
    streams = [dict(field.split("=", 1) for field in line.split("|")[1:])
               for line in out.splitlines() if line.startswith("stream|")]
    video = next(s for s in streams if s["codec_type"] == "video")
    audio = next(s for s in streams if s["codec_type"] == "audio")
    return (int(video["width"]), int(video["height"])), int(audio["channels"])


def batch_running(window):
    return not d.enabled(d.button(window, "Add"))


def end_and_check_children(program, how, before):
    """The program has been asked to end: status 0, and no encoder or player left behind.
    Orphans come to this process (a subreaper); `before` are its own children from before."""
    status = program.wait_end()
    if status != 0:
        raise Failure("after %s the program ended with status %s" % (how, status))
    me = os.getpid()

    def left():
        d.reap()
        return [child for child in d.children_of(me) if child not in before]
    try:
        wait_for("the program's children to end", lambda: not left())
    except Failure:
        raise Failure("after %s these children of the program were left running: %s" % (how, left()))
    log("%s: the program ended with status 0 and left no child process" % how)


def first_run(folder, artefacts, clips, broken):
    before = d.children_of(os.getpid())
    with d.running(folder, os.path.join(artefacts, "first-run.stderr")) as program:
        window = program.top_level("Ondrevo")
        for path in clips + [broken]:
            d.add_file(program, window, path)
        table = d.file_list(window)
        cells = d.rows(table)
        if [row[0] for row in cells] != clips + [broken] or any(row[4] != "0%" for row in cells):
            raise Failure("rows after adding: %s" % cells)
        log("added through the Add dialog: %s" % cells)

        for tab, (caption, entry, _) in ((VIDEO_TAB, VIDEO_SIZE), (AUDIO_TAB, AUDIO_CHANNEL)):
            d.show_tab(window, tab, caption)
            shown = d.selector_text(d.selector(window, caption))
            if shown == entry:
                raise Failure("%r already shows %r: the test would prove nothing" % (caption, entry))
            d.pick(window, caption, entry)
            log("picked %r in %r (was %r)" % (entry, caption, shown))

        status = d.status_line(window)
        if d.text_of(status):
            raise Failure("the status line is not empty before the batch: %r" % d.text_of(status))
        # The whole batch's text is what a screen reader reads, and each new text is told.
        batch_texts = {"read": set(), "told": set()}

        def told(event):
            if BATCH_TEXT.match(event.source.name or ""):
                batch_texts["told"].add(event.source.name)
        pyatspi.Registry.registerEventListener(told, "object:property-change:accessible-name")

        def read_batch_text():
            label = d.find(window, lambda n: d.role(n) == "label" and BATCH_TEXT.match(n.name or ""))
            if label is not None:
                batch_texts["read"].add(label.name)
        d.press(window, "Convert")
        # During the batch: the editing buttons are off and the status line shows the
        # encoder's progress. The long clip comes first, so this lasts a while. The
        # screenshot is taken at the first progress line, and again once a row shows a
        # percent between its start and its end.
        shot = os.path.join(artefacts, "main-window-converting.png")
        seen = {}

        def progress_shown():
            running = batch_running(window)
            text = d.text_of(status)
            read_batch_text()
            if running and text.startswith("frame="):
                if "line" not in seen:
                    seen["line"] = text
                    d.screenshot("Ondrevo", shot)
                    return False
                if any(row[4] not in ("0%", "100%") for row in d.rows(table)):
                    d.screenshot("Ondrevo", shot)
                    return True
            if not running:
                if "line" not in seen:
                    raise Failure("the batch ended before any progress line was seen")
                return True
            return False
        wait_for("progress in the status line during the batch", progress_shown, d.BATCH_WAIT, every=0.05)
        log("during the batch the status line showed %r" % seen["line"])

        def batch_ended():
            read_batch_text()
            return not batch_running(window) and not d.text_of(status)
        wait_for("the end of the batch", batch_ended, d.BATCH_WAIT, every=0.2)
        pyatspi.Registry.deregisterEventListener(told, "object:property-change:accessible-name")
        if not batch_texts["read"] or not batch_texts["told"]:
            raise Failure("the whole batch's text as read on the accessibility bus: %s, as told in name changes: %s"
                          % (sorted(batch_texts["read"]), sorted(batch_texts["told"])))
        log("the whole batch's text read %s, told %s" % (sorted(batch_texts["read"]), sorted(batch_texts["told"])))
        cells = d.rows(table)
        percents = [row[4] for row in cells]
        if percents != ["100%", "100%", "0%"]:
            raise Failure("percent cells after the batch: %s" % percents)
        log("after the batch: percent cells %s, status line cleared" % percents)
        # The file the encoder refused tells why when the mouse rests on its row.
        tip = d.tool_tip(program, d.cell(table, 2, 1))
        if not tip.startswith(broken + ":") or not tip[len(broken) + 1:].strip():
            raise Failure("the failed row's tool tip is %r, expected the encoder's reason for %s" % (tip, broken))
        log("the failed row's tool tip: %r" % tip)

        for clip in clips:
            name = os.path.splitext(os.path.basename(clip))[0] + ".3gp"
            output = os.path.join(folder, "FFOutput", name)
            if not os.path.isfile(output):
                raise Failure("no output %s; FFOutput holds %s" % (output, os.listdir(os.path.join(folder, "FFOutput"))))
            size, channels = probe_streams(output)
            if size != VIDEO_SIZE[2] or channels != AUDIO_CHANNEL[2]:
                raise Failure("%s is %sx%s with %s channel(s), expected %sx%s with %s"
                              % (name, size[0], size[1], channels, *VIDEO_SIZE[2], AUDIO_CHANNEL[2]))
            log("%s: %sx%s, %s channel(s)" % (name, size[0], size[1], channels))

        d.press(window, "Quit")
        end_and_check_children(program, "Quit", before)


def second_run(folder, artefacts, long_clip):
    before = d.children_of(os.getpid())
    with d.running(folder, os.path.join(artefacts, "second-run.stderr")) as program:
        window = program.top_level("Ondrevo")
        for caption, entry, _ in (VIDEO_SIZE, AUDIO_CHANNEL):
            combo = d.selector(window, caption)
            wait_for("the selectors to be filled", lambda: d.selector_entries(combo))
            shown = d.selector_text(combo)
            if shown != entry:
                raise Failure("after a restart %r shows %r, expected the saved %r" % (caption, shown, entry))
        log("after a restart the selectors still show %r and %r" % (VIDEO_SIZE[1], AUDIO_CHANNEL[1]))

        d.add_file(program, window, long_clip)
        table = d.file_list(window)
        d.click(d.cell(table, 0, 0))
        d.press(window, "Play")
        player = program.top_level("Mini Player")
        times = re.compile(r"^\d+:\d\d:\d\d$")

        def label_text(node):
            return d.text_of(node) or node.name or ""

        def time_labels():
            labels = [n for n in d.find_all(player, lambda n: d.role(n) == "label") if times.match(label_text(n))]
            return sorted(labels, key=lambda n: d.extents(n)[0]) if len(labels) >= 2 else None
        # The position on the left, the playing time on the right.
        position, end = wait_for("the Mini Player's time labels", time_labels)
        wait_for("the Mini Player's end time 00:01:00", lambda: label_text(end) == "00:01:00")
        moved = wait_for("the Mini Player's position to move",
                         lambda: label_text(position) if label_text(position) != "00:00:00" else None)
        d.screenshot("Mini Player", os.path.join(artefacts, "mini-player.png"))
        log("Mini Player: position %s of %s" % (moved, label_text(end)))
        d.close_window("Mini Player")
        wait_for("the Mini Player to close", lambda: program.gone("Mini Player"))

        d.close_window("Ondrevo")
        end_and_check_children(program, "closing the main window", before)


def main():
    folder, artefacts, long_clip, short_clip, broken = sys.argv[1:6]
    os.makedirs(artefacts, exist_ok=True)
    d.become_subreaper()
    first_run(folder, artefacts, [long_clip, short_clip], broken)
    second_run(folder, artefacts, long_clip)


if __name__ == "__main__":
    d.run_check(main)
