"""Driving the real program from outside, as a person at the desktop would.

Widgets are found and read through the accessibility bus (AT-SPI, through pyatspi) and
pressed with real mouse clicks and keys (xdotool). Every wait polls a condition until a
generous limit; nothing here asserts how long anything takes.

Run inside a private session bus (dbus-run-session) on an X display; `AccessibilityBus`
starts the accessibility bus there.
"""
import contextlib
import ctypes
import os
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
import x11  # noqa: E402

# Limits for waits: generous, for a loaded two-core machine.
WIDGET_WAIT = 60
BATCH_WAIT = 180


class Failure(Exception):
    pass


_start = time.monotonic()


def log(text):
    print("[%6.1f s] %s" % (time.monotonic() - _start, text), flush=True)


def pump():
    """Hands pending bus messages to the client library, so its view stays current."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, limit=WIDGET_WAIT, every=0.1):
    """Polls probe() until it returns something true; returns that, or fails naming `what`."""
    deadline = time.monotonic() + limit
    last_error = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                return value
        except (GLib.Error, RuntimeError, LookupError) as error:  # a widget that went away
            last_error = error
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s%s" % (what, " (%s)" % last_error if last_error else ""))
        time.sleep(every)


class AccessibilityBus:
    """The desktop's accessibility bus on the current session bus, for the lifetime of a test."""

    def __init__(self):
        self.process = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

        def launched():
            if self.process.poll() is not None:
                raise Failure("the accessibility bus launcher ended with status %s" % self.process.returncode)
            reply = session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                      "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)),
                                      GLib.VariantType("(b)"), Gio.DBusCallFlags.NONE, -1, None)
            return reply.unpack()[0]
        wait_for("the accessibility bus", launched)
        # Asking for the desktop starts the registry, which programs announce themselves to.
        wait_for("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def run_check(check):
    """Runs check() with the accessibility bus up; a Failure ends the process with its reason."""
    try:
        bus = AccessibilityBus()
        try:
            check()
        finally:
            bus.close()
    except Failure as failure:
        sys.exit("FAILED: %s" % failure)
    log("ok")


def become_subreaper():
    """Makes this process the parent of orphans below it, so children that a program
    leaves behind when it ends can be seen (and are reaped here)."""
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_CHILD_SUBREAPER = 36
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def children_of(pid):
    """Live (not zombie) processes whose parent is pid: (pid, command line)."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                command = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        state, parent = fields[0], int(fields[1])
        if parent == pid and state != "Z":
            found.append((int(entry), command))
    return found


def reap():
    """Collects the ends of orphans handed to this process."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def playing_seconds(path):
    """A media file's playing time as the encoder's prober reads it; 0 when it reads none."""
    result = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path],
                            capture_output=True, text=True)
    try:
        return float(result.stdout.strip())
    except ValueError:
        return 0


# --- accessibility tree -------------------------------------------------------------

def walk(node, depth=0, limit=40):
    """Every node below `node`, depth first, `node` included."""
    if node is None:
        return
    yield node
    if depth >= limit:
        return
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1, limit)


def role(node):
    return node.getRoleName()


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def labelled_by(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def matches(node, predicate):
    """predicate(node), false for a widget that went away meanwhile."""
    try:
        return predicate(node)
    except (GLib.Error, RuntimeError):
        return False


def find(root, predicate):
    return next((node for node in walk(root) if matches(node, predicate)), None)


def find_all(root, predicate):
    return [node for node in walk(root) if matches(node, predicate)]


# --- mouse and keys -------------------------------------------------------------------

def xdotool(*arguments):
    subprocess.run(["xdotool", *[str(a) for a in arguments]], check=True)


def click_at(x, y):
    xdotool("mousemove", x, y, "click", 1)


def click(node, x_from_right=None):
    """A real left click on the middle of a widget, or `x_from_right` pixels from its right edge."""
    x, y, width, height = extents(node)
    if width <= 0 or height <= 0:
        raise Failure("%s %r has no place on the screen" % (role(node), node.name))
    cx = x + width - x_from_right if x_from_right is not None else x + width // 2
    click_at(cx, y + height // 2)


def type_text(text):
    xdotool("type", "--delay", 30, text)


def key(*names):
    xdotool("key", *names)


def screenshot(window_title, path):
    """Saves the X11 window titled `window_title` as a PNG."""
    window = wait_for("window %r on the display" % window_title, lambda: x11_window(window_title))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["import", "-window", str(window), path], check=True)
    log("screenshot: %s" % path)


_display = None


def x11_window(title):
    global _display
    if _display is None:
        _display = x11.x.XOpenDisplay(None)
        if not _display:
            raise Failure("cannot open the display")
    return x11.find(_display, title)


def close_window(title):
    """Asks the window to close as a window manager's close box does."""
    window = wait_for("window %r on the display" % title, lambda: x11_window(title))
    subprocess.run([sys.executable, os.path.join(here, "x11.py"), "close", str(window)], check=True)


# --- the program ------------------------------------------------------------------------

class Program:
    """One run of the program, started in `folder` (its working directory)."""

    def __init__(self, executable, folder, log_path, arguments=()):
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                           QT_QPA_PLATFORM="xcb")
        self.stderr = open(log_path, "wb")
        self.process = subprocess.Popen([executable, *arguments], cwd=folder, env=environment,
                                        stdout=subprocess.DEVNULL, stderr=self.stderr)
        self.pid = self.process.pid
        self.app = None

    def application(self):
        """The program's node on the accessibility bus."""
        if self.app is None:
            def probe():
                if self.process.poll() is not None:
                    raise Failure("the program ended with status %s" % self.process.returncode)
                desktop = pyatspi.Registry.getDesktop(0)
                for i in range(desktop.childCount):
                    app = desktop.getChildAtIndex(i)
                    if app is not None and app.get_process_id() == self.pid:
                        return app
                return None
            self.app = wait_for("the program on the accessibility bus", probe)
            # Read every property afresh from the program, never from a cache.
            self.app.set_cache_mask(Atspi.Cache.NONE)
        return self.app

    def top_level(self, name, roles=("filler", "frame", "dialog", "alert", "window")):
        """A shown top-level window of the program by its title."""
        app = self.application()

        def probe():
            for i in range(app.childCount):
                window = app.getChildAtIndex(i)
                if window is not None and window.name == name and role(window) in roles and showing(window):
                    return window
            return None
        return wait_for("window %r" % name, probe)

    def gone(self, name, roles=None):
        """No shown top-level window titled `name` (of one of `roles`, if given)."""
        app = self.application()
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window is not None and window.name == name and showing(window) and (
                    roles is None or role(window) in roles):
                return False
        return True

    def wait_end(self, limit=WIDGET_WAIT):
        def probe():
            status = self.process.poll()
            return None if status is None else ("ended", status)
        _, status = wait_for("the program to end", probe, limit)
        self.stderr.close()
        return status

    def kill(self):
        """Ends a run that a failed check leaves behind, and says how it stood."""
        status = self.process.poll()
        log("the program had %s" % ("not ended" if status is None else "ended with status %s" % status))
        if status is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()
        self.stderr.close()
        with open(self.stderr.name, "rb") as f:
            said = f.read().decode("utf-8", "replace").strip()
        if said:
            log("its error output:\n%s" % said[-4000:])


@contextlib.contextmanager
def running(folder, log_path, arguments=()):
    """The program in `folder`, run there; a check that fails meanwhile ends it (Program.kill)."""
    program = Program(os.path.join(folder, "ondrevo"), folder, log_path, arguments)
    try:
        yield program
    except BaseException:
        program.kill()
        raise


# --- the main window's widgets ----------------------------------------------------------

def button(window, caption):
    return wait_for("button %r" % caption,
                    lambda: find(window, lambda n: role(n) == "push button" and n.name == caption))


def press(window, caption):
    node = button(window, caption)
    wait_for("button %r enabled" % caption, lambda: enabled(node))
    click(node)


def selector(window, caption):
    """The drop-down selector captioned `caption`: named so, or labelled by that caption."""
    def probe():
        return find(window, lambda n: role(n) == "combo box" and (n.name == caption or caption in labelled_by(n)))
    return wait_for("selector %r" % caption, probe)


def selector_text(combo):
    edit = find(combo, lambda n: role(n) == "text")
    return text_of(edit) if edit is not None else combo.name


def selector_entries(combo):
    entries = find(combo, lambda n: role(n) == "list")
    return [entries.getChildAtIndex(i).name for i in range(entries.childCount)] if entries else []


def show_tab(window, caption, showing_selector):
    """Clicks the tab `caption` until the selector `showing_selector` on its page is shown."""
    tab = wait_for("tab %r" % caption, lambda: find(window, lambda n: role(n) == "page tab" and n.name == caption))
    combo = selector(window, showing_selector)

    def shown():
        if showing(combo):
            return True
        click(tab)
        return False
    wait_for("the page %r" % caption, shown, every=0.5)


def pick(window, caption, entry):
    """Opens the selector's drop-down with a click on its arrow and clicks `entry`."""
    combo = selector(window, caption)
    wait_for("selector %r shown" % caption, lambda: showing(combo))

    def open_list():
        item = find(combo, lambda n: role(n) == "list item" and n.name == entry)
        if item is not None and showing(item) and extents(item)[2] > 0:
            return item
        return None
    click(combo, x_from_right=8)
    item = wait_for("entry %r in the open list of %r" % (entry, caption), open_list)
    click(item)
    wait_for("selector %r showing %r" % (caption, entry), lambda: selector_text(combo) == entry)


def file_list(window):
    """The file list: the table whose first column is "Video Files"."""
    def probe():
        for node in find_all(window, lambda n: role(n) in ("tree", "table", "tree table")):
            table = node.queryTable()
            if table.nColumns >= 5 and table.getColumnDescription(0) == "Video Files":
                return node
            header = table.getColumnHeader(0)
            if header is not None and header.name == "Video Files":
                return node
        return None
    return wait_for("the file list", probe)


def rows(table_node):
    """The file list's cells as text, one list per row."""
    table = table_node.queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]


def wait_for_rows(window, count, limit):
    """Waits until the files given to the program fill `count` rows and Convert is enabled."""
    convert = button(window, "Convert")
    wait_for("every file added", lambda: enabled(convert) and file_list(window).queryTable().nRows == count,
             limit=limit, every=0.2)


def cell(table_node, row, column):
    return table_node.queryTable().getAccessibleAt(row, column)


def status_line(window):
    """The status line: the read-only edit that is a direct child of the window, at its bottom."""
    def probe():
        candidates = [window.getChildAtIndex(i) for i in range(window.childCount)]
        edits = [n for n in candidates if n is not None and role(n) == "text"]
        return max(edits, key=lambda n: extents(n)[1]) if edits else None
    return wait_for("the status line", probe)


def tool_tip(program, node):
    """Rests the mouse on a widget until its tool tip shows; returns the tip's text."""
    x, y, width, height = extents(node)
    step = {"n": 0}

    def shown():
        app = program.application()
        for i in range(app.childCount):
            tip = app.getChildAtIndex(i)
            if tip is not None and role(tip) == "tool tip" and showing(tip):
                return tip.name
        # A small move inside the widget starts the tool tip's timer again.
        step["n"] = (step["n"] + 1) % 4
        xdotool("mousemove", x + width // 3 + step["n"], y + height // 2)
        return None
    return wait_for("the tool tip of %s %r" % (role(node), node.name), shown, every=1.5)


def add_file(program, window, path):
    """Add, then the path typed into the dialog's file name field, then Open."""
    press(window, "Add")
    dialog = program.top_level("Add video files")
    name_field = wait_for("the dialog's file name field",
                          lambda: find(dialog, lambda n: role(n) == "text" and n.name.startswith("File name")))
    # The dialog lists its folder in the background, and selecting the last file added in
    # that list writes the field; typing starts once the list is there.
    wait_for("the dialog's list of files",
             lambda: find(dialog, lambda n: role(n) == "table cell" and n.name and showing(n)))
    for attempt in range(3):
        click(name_field)
        key("ctrl+a")
        type_text(path)
        try:
            wait_for("the typed name in the field", lambda: text_of(name_field) == path)
            # Still there a moment later: nothing else writes the field now.
            settled = time.monotonic() + 0.5
            wait_for("the typed name to stay", lambda: time.monotonic() > settled or text_of(name_field) != path)
            if text_of(name_field) == path:
                break
        except Failure:
            pass
        log("the dialog's file name field holds %r; typing again" % text_of(name_field))
    else:
        raise Failure("the dialog's file name field holds %r, not the typed %r" % (text_of(name_field), path))
    open_button = button(dialog, "Open")

    # The first click may only close the field's completion list; press Open until the
    # dialog has gone.
    def accepted():
        if program.gone("Add video files"):
            return True
        if enabled(open_button):
            click(open_button)
        return False
    wait_for("the Add dialog to accept %s" % path, accepted, every=1.0)
    table = file_list(window)
    wait_for("a row for %s" % path, lambda: any(cells[0] == path for cells in rows(table)))
