#!/usr/bin/env python3
"""Seconds from a mouse click on Add until the Add dialog is mapped, without accessibility.

  add_dialog_time.py PROGRAM_FOLDER CLIP_FOLDER ROUNDS

Run by add_dialog_time.sh. Starts the program in PROGRAM_FOLDER, clicks Add with the mouse
(xdotool), waits until a window titled "Add video files" is mapped, then cancels it with
Escape (odd rounds) or accepts a clip of CLIP_FOLDER typed into its name field (even
rounds), and waits until it is gone. Prints each round's seconds; asserts nothing.
"""
import ctypes
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "program"))
import x11  # noqa: E402

# Windows come and go while the tree is searched: an error about one that went is no fault.
_IGNORE = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda display, event: 0)
x11.x.XSetErrorHandler(_IGNORE)


def wait(what, probe, limit=120):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.005)
    sys.exit("timed out waiting for %s" % what)


def xdotool(*arguments):
    subprocess.run(["xdotool", *[str(a) for a in arguments]], check=True)


def measure(folder, clips, rounds):
    display = x11.x.XOpenDisplay(None)
    environment = dict(os.environ, QT_QPA_PLATFORM="xcb")
    for name in ("QT_ACCESSIBILITY", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON"):
        environment.pop(name, None)
    with open(os.path.join(folder, "add_dialog_time.stderr"), "wb") as errors:
        program = subprocess.Popen([os.path.join(folder, "ondrevo")], cwd=folder, env=environment, stderr=errors)
        try:
            window = wait("the main window", lambda: x11.find(display, "Ondrevo"))
            time.sleep(1)
            times = []
            for n in range(rounds):
                start = time.monotonic()
                # The Add button, the first of the tool bar.
                xdotool("mousemove", "--window", window, 27, 20, "click", 1)
                wait("the dialog", lambda: x11.find(display, "Add video files"))
                times.append(time.monotonic() - start)
                time.sleep(0.5)
                if n % 2:
                    xdotool("type", "--delay", 5, os.path.join(clips, "clip %d.mp4" % n))
                    xdotool("key", "Return")
                else:
                    xdotool("key", "Escape")
                wait("the dialog to close", lambda: not x11.find(display, "Add video files"))
                time.sleep(0.5)
            print("  on screen after (s): %s" % " ".join("%.2f" % t for t in times), flush=True)
        finally:
            program.terminate()
            program.wait()


if __name__ == "__main__":
    measure(sys.argv[1], sys.argv[2], int(sys.argv[3]))
