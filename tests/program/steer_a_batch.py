#!/usr/bin/env python3
"""Steers batches in the running program as a user does: Stop, then "Convert remaining
rows"; broken sources mended, then "Convert failed rows again"; a kill after some rows,
then "Convert remaining rows" in the restored list; Pause, Resume, and Stop while paused.

  steer_a_batch.py PROGRAM_FOLDER ARTEFACTS_FOLDER RUNS_LOG CLIP_FOLDER
"""
import os
import shutil
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402
from steer_from_the_list import ShownMenus, row_place  # noqa: E402


def runs(path):
    """The sources the encoder was given, in order."""
    return open(path).read().splitlines() if os.path.exists(path) else []


def percents(table):
    return [row[4] for row in d.rows(table)]


def batch_over(window):
    return d.enabled(d.button(window, "Convert")) and d.enabled(d.button(window, "Add"))


def from_the_menu(window, table, item):
    """Selects the first row, opens the list's menu with Shift+F10 and clicks `item`."""
    d.click_at(*row_place(table, 0))
    menus = ShownMenus()
    d.key("shift+F10")

    def entry():
        for menu in menus.menus:
            if d.matches(menu, d.showing):
                for i in range(menu.childCount):
                    node = menu.getChildAtIndex(i)
                    if node is not None and node.name == item and d.enabled(node):
                        return node
        return None
    d.click(wait_for("%r in the list's menu, enabled" % item, entry))
    wait_for("the batch of %r to start" % item, lambda: not d.enabled(d.button(window, "Add")))


def whole(path, seconds):
    return d.playing_seconds(path) >= 0.9 * seconds


def stop_then_remaining_then_failed(folder, artefacts, log_path, clips):
    names = ["clip %d" % n for n in range(1, 11)]
    paths = [os.path.join(clips, name + ".mp4") for name in names]
    output = os.path.join(folder, "FFOutput")
    # Rows 6 and 9 are broken until mended.
    for n in (5, 8):
        shutil.copy(paths[n], paths[n] + ".good")
        with open(paths[n], "wb") as f:
            f.write(b"not a video yet" * 100)
    with d.running(folder, os.path.join(artefacts, "steer-stop.stderr"), paths) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, len(paths), d.WIDGET_WAIT)
        table = d.file_list(window)
        d.press(window, "Convert")
        # One file at a time: once the fourth encoder has started, the first three have ended.
        wait_for("the fourth row's encoder started", lambda: len(runs(log_path)) >= 4, d.BATCH_WAIT, every=0.02)
        d.press(window, "Stop")
        wait_for("the stopped batch to end", lambda: batch_over(window), d.BATCH_WAIT)
        # Every encoder but the last one started had ended at the Stop; a row at 100 % whose
        # encoder was still finishing is stopped, and rightly converted again.
        ended = [os.path.basename(p)[:-4] for p in runs(log_path)[:-1]]
        done = [names[i] for i, p in enumerate(percents(table)) if p == "100%" and names[i] in ended]
        before = len(runs(log_path))
        log("stopped with %s converted, after %d encoder runs" % (done, before))

        from_the_menu(window, table, "Convert remaining rows")
        wait_for("the remaining rows' batch to end", lambda: batch_over(window), d.BATCH_WAIT)
        ran = runs(log_path)
        again = [p for p in ran[before:] if os.path.basename(p)[:-4] in done]
        if again or len(ran) > 11:
            raise Failure("%d encoder runs; converted rows run again: %s" % (len(ran), again))
        failed = [names[i] for i, p in enumerate(percents(table)) if p != "100%"]
        if failed != ["clip 6", "clip 9"]:
            raise Failure("rows not converted after the remaining ones: %s" % failed)
        for name in names:
            if name not in failed and not whole(os.path.join(output, name + ".3gp"), 3):
                raise Failure("%s.3gp is not whole" % name)
        log("\"Convert remaining rows\" ran the rest: %d encoder runs in all" % len(ran))

        for n in (5, 8):
            os.replace(paths[n] + ".good", paths[n])
        written = {name: os.stat(os.path.join(output, name + ".3gp")).st_mtime_ns
                   for name in names if name not in failed}
        from_the_menu(window, table, "Convert failed rows again")
        wait_for("the failed rows' batch to end", lambda: batch_over(window), d.BATCH_WAIT)
        again = runs(log_path)[len(ran):]
        if sorted(again) != [paths[5], paths[8]]:
            raise Failure("\"Convert failed rows again\" ran %s" % again)
        touched = [name for name, when in written.items()
                   if os.stat(os.path.join(output, name + ".3gp")).st_mtime_ns != when]
        if touched or percents(table) != ["100%"] * 10:
            raise Failure("outputs touched: %s; rows %s; outputs %s" % (touched, d.rows(table), sorted(os.listdir(output))))
        log("\"Convert failed rows again\" ran the two mended rows only; the others are untouched")
        d.press(window, "Quit")
        program.wait_end()


def killed_then_remaining(folder, artefacts, log_path, clips):
    paths = [os.path.join(clips, "clip %d.mp4" % n) for n in range(1, 9)]
    output = os.path.join(folder, "FFOutput")
    os.remove(log_path)
    with d.running(folder, os.path.join(artefacts, "steer-kill.stderr"), paths) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, len(paths), d.WIDGET_WAIT)
        table = d.file_list(window)
        d.press(window, "Convert")
        # Four rows converted: the fifth is under way.
        wait_for("the fifth row under way", lambda: percents(table)[4] != "0%", d.BATCH_WAIT, every=0.02)
    program.process.send_signal(signal.SIGKILL)
    program.process.wait()
    before = len(runs(log_path))
    with d.running(folder, os.path.join(artefacts, "steer-restarted.stderr")) as program:
        window = program.top_level("Ondrevo")
        table = d.file_list(window)
        wait_for("the restored list", lambda: len(d.rows(table)) == len(paths))
        done = [paths[i] for i, p in enumerate(percents(table)) if p == "100%"]
        if len(done) < 4 or done != paths[:len(done)]:
            raise Failure("restored percent cells after the kill: %s" % percents(table))
        from_the_menu(window, table, "Convert remaining rows")
        wait_for("the remaining rows' batch to end", lambda: batch_over(window), d.BATCH_WAIT)
        again = [p for p in runs(log_path)[before:] if p in done]
        if again or percents(table) != ["100%"] * len(paths):
            raise Failure("converted rows run again: %s; percent cells %s" % (again, percents(table)))
        for path in paths:
            if not whole(os.path.join(output, os.path.basename(path)[:-4] + ".3gp"), 3):
                raise Failure("%s gave no whole output" % path)
        log("killed after %d rows; the restored list went on with the other %d"
            % (len(done), len(paths) - len(done)))
        d.press(window, "Quit")
        program.wait_end()


def state(pid):
    try:
        return open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return "gone"


def pause_resume_and_stop(folder, artefacts, clips):
    long_clip = os.path.join(clips, "long.mp4")
    output = os.path.join(folder, "FFOutput")
    with d.running(folder, os.path.join(artefacts, "steer-pause.stderr"), [long_clip]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, 1, d.WIDGET_WAIT)
        table = d.file_list(window)
        for ending in ("Resume", "Stop"):
            d.press(window, "Convert")
            wait_for("the encoder under way", lambda: percents(table)[0] not in ("0%", "100%"), d.BATCH_WAIT,
                     every=0.02)
            encoder = wait_for("the encoder", lambda: [p for p, c in d.children_of(program.pid) if "ffmpeg" in c])[0]
            d.press(window, "Pause")
            paused = time.monotonic()
            wait_for("the encoder held", lambda: state(encoder) == "T")
            log("the encoder was held %.2f s after Pause was pressed" % (time.monotonic() - paused))
            part = wait_for("the part being written", lambda: [
                os.path.join(output, n) for n in os.listdir(output) if n.startswith(".long")])[0]
            size = os.path.getsize(part)
            time.sleep(4)
            if os.path.getsize(part) != size or state(encoder) != "T":
                raise Failure("while paused the part grew from %d to %d bytes" % (size, os.path.getsize(part)))
            d.button(window, "Resume")
            d.press(window, ending)
            pressed = time.monotonic()
            wait_for("the batch to end after %s" % ending, lambda: batch_over(window) and state(encoder) == "gone",
                     d.BATCH_WAIT)
            seconds = d.playing_seconds(os.path.join(output, "long.3gp"))
            log("after %s the batch ended in %.1f s, the output plays %.1f s"
                % (ending, time.monotonic() - pressed, seconds))
            if (ending == "Resume" and seconds < 59) or (ending == "Stop" and not 0 < seconds < 59):
                raise Failure("after %s the output plays %.1f s" % (ending, seconds))
            d.button(window, "Pause")
        d.press(window, "Quit")
        program.wait_end()


def check(folder, artefacts, log_path, clips):
    stop_then_remaining_then_failed(folder, artefacts, log_path, clips)
    killed_then_remaining(folder, artefacts, log_path, clips)
    pause_resume_and_stop(folder, artefacts, clips)


if __name__ == "__main__":
    d.run_check(lambda: check(*sys.argv[1:5]))
