#!/usr/bin/env python3
"""Second starts of the program while one runs.

  second_start.py PROGRAM_FOLDER OTHER_PROGRAM_FOLDER ARTEFACTS_FOLDER CLIPS_FOLDER
"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402

NOT_UTF8 = b"caf\xe9.mp4"


def environment():
    return dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QT_QPA_PLATFORM="xcb")


def start_again(folder, cwd, arguments, log_path):
    """Starts the program of `folder` from `cwd` and waits for its end; returns its status."""
    started = time.monotonic()
    with open(log_path, "ab") as stderr:
        process = subprocess.Popen([os.path.join(folder, "ondrevo"), *arguments], cwd=cwd, env=environment(),
                                   stdout=subprocess.DEVNULL, stderr=stderr)
        try:
            status = process.wait(d.WIDGET_WAIT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise Failure("a second start with %s still ran after %s s" % (arguments, d.WIDGET_WAIT))
    log("a second start with %s ended with status %s after %.2f s" % (arguments, status, time.monotonic() - started))
    return status


def copies_of(folder):
    """The running processes of the program file in `folder`."""
    program = os.path.realpath(os.path.join(folder, "ondrevo"))
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink("/proc/%s/exe" % entry) == program:
                    with open("/proc/%s/stat" % entry) as f:
                        if f.read().rsplit(")", 1)[1].split()[0] != "Z":
                            found.append(int(entry))
            except OSError:
                pass
    return found


def main_windows():
    """The program's main windows on the screen: its windows at least 800 pixels wide."""
    listed = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "ondrevo"],
                            capture_output=True, text=True).stdout.split()
    windows = []
    for window in listed:
        shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                               capture_output=True, text=True).stdout
        fields = dict(line.split("=", 1) for line in shape.splitlines() if "=" in line)
        if int(fields.get("WIDTH", 0)) >= 800:
            windows.append(int(window))
    return windows


def captions(window):
    return [row[0] for row in d.rows(d.file_list(window))]


def active_window():
    result = subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True)
    return int(result.stdout) if result.returncode == 0 else None


def viewable(window):
    info = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    return "Map State: IsViewable" in info


def handed_over_during_a_batch(folder, artefacts, clips):
    """Files handed over while a batch runs become rows, and the batch converts them."""
    long_clip = os.path.join(clips, "long clip.mp4")
    with d.running(folder, os.path.join(artefacts, "second-start-first.stderr"), [long_clip]) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, 1, d.WIDGET_WAIT)
        d.press(window, "Convert")
        table = d.file_list(window)
        wait_for("the long clip's progress", lambda: d.rows(table)[0][4] not in ("0%", "100%"), d.BATCH_WAIT)

        # From the clips' folder, a relative path and a name that is not UTF-8.
        status = start_again(folder, clips, ["new clip.mp4", NOT_UTF8],
                             os.path.join(artefacts, "second-start-again.stderr"))
        if status != 0:
            raise Failure("the second start during the batch ended with status %s" % status)
        expected = [long_clip, os.path.join(clips, "new clip.mp4"),
                    os.path.join(clips, NOT_UTF8.decode("utf-8", "replace"))]
        wait_for("the handed-over files as rows", lambda: captions(window) == expected)
        if d.enabled(d.button(window, "Add")):
            raise Failure("the batch had ended before the files were handed over: the check proves nothing")
        if copies_of(folder) != [program.pid] or len(main_windows()) != 1:
            raise Failure("after the second start: processes %s, main windows %s" % (copies_of(folder), main_windows()))
        log("during the batch the handed-over files became rows: %s" % captions(window))

        # The media library cannot open a name that is not UTF-8, so that row's playing
        # time and percent are not to be trusted; its output is.
        wanted = [b"caf\xe9.3gp", b"long clip.3gp", b"new clip.3gp"]
        output = os.path.join(folder, "FFOutput").encode()
        seen = {}

        def converted():
            seen["rows"], seen["outputs"] = d.rows(table), sorted(os.listdir(output))
            return d.enabled(d.button(window, "Convert")) and seen["outputs"] == wanted and [
                row[4] for row in seen["rows"][:2]] == ["100%", "100%"]
        try:
            wait_for("the batch to convert the handed-over rows too", converted, d.BATCH_WAIT, every=0.5)
        except Failure as failure:
            raise Failure("%s; the rows: %s; the outputs: %s" % (failure, seen.get("rows"), seen.get("outputs")))
        log("the same batch converted them: %s" % seen["outputs"])

        # Started bare, a second start brings the minimised window back to the front.
        main = main_windows()[0]
        d.xdotool("windowminimize", main)
        wait_for("the window minimised", lambda: not viewable(main))
        status = start_again(folder, folder, [], os.path.join(artefacts, "second-start-again.stderr"))
        if status != 0:
            raise Failure("the bare second start ended with status %s" % status)
        wait_for("the window back and active", lambda: viewable(main) and active_window() == main)
        if copies_of(folder) != [program.pid] or main_windows() != [main]:
            raise Failure("after the bare start: processes %s, main windows %s" % (copies_of(folder), main_windows()))
        log("the bare second start brought the window back to the front")

        program.process.send_signal(signal.SIGKILL)
        program.process.wait()
        program.stderr.close()


def after_a_kill(folder, other, artefacts, clips):
    """Once the running copy was killed, of two copies started at the same moment one is the
    running copy with both files; another program folder's copy is independent."""
    logs = [os.path.join(artefacts, "second-start-race-%s.stderr" % n) for n in "ab"]
    files = [os.path.join(clips, "race-%s.mp4" % n) for n in "ab"]
    racers = [d.Program(os.path.join(folder, "ondrevo"), folder, logs[i], [files[i]]) for i in range(2)]
    try:
        ended = wait_for("one of the two to hand over and end",
                         lambda: [r for r in racers if r.process.poll() is not None])
        if len(ended) != 1 or ended[0].process.returncode != 0:
            raise Failure("of two starts at once: %s" % [(r.pid, r.process.poll()) for r in racers])
        ended[0].stderr.close()
        program = next(r for r in racers if r is not ended[0])
        window = program.top_level("Ondrevo")
        # The killed copy's list comes back first.
        wait_for("both files as rows", lambda: sorted(captions(window)[-2:]) == files)
        if copies_of(folder) != [program.pid]:
            raise Failure("copies running after two starts at once: %s" % copies_of(folder))
        log("of two starts at once one runs, with both files: %s" % captions(window)[-2:])

        # Another program folder's copy has a window of its own, and takes its own files.
        with d.running(other, os.path.join(artefacts, "second-start-other.stderr")) as independent:
            other_window = independent.top_level("Ondrevo")
            wait_for("two main windows", lambda: len(main_windows()) == 2)
            status = start_again(other, clips, ["other.mp4"], os.path.join(artefacts, "second-start-other.stderr"))
            if status != 0:
                raise Failure("the other folder's second start ended with status %s" % status)
            wait_for("the other copy's row", lambda: captions(other_window) == [os.path.join(clips, "other.mp4")])
            if os.path.join(clips, "other.mp4") in captions(window):
                raise Failure("the other folder's file went to the first folder's copy")
            d.press(other_window, "Quit")
            if independent.wait_end() != 0:
                raise Failure("the other copy ended with status %s" % independent.process.returncode)
        log("another program folder's copy ran on its own and took its own file")
        d.press(window, "Quit")
        if program.wait_end() != 0:
            raise Failure("the copy ended with status %s after Quit" % program.process.returncode)
    except BaseException:
        for racer in racers:
            if not racer.stderr.closed:
                racer.kill()
        raise


def check(folder, other, artefacts, clips):
    handed_over_during_a_batch(folder, artefacts, clips)
    after_a_kill(folder, other, artefacts, clips)


if __name__ == "__main__":
    folder, other, artefacts, clips = sys.argv[1:]
    d.run_check(lambda: check(folder, other, artefacts, clips))
