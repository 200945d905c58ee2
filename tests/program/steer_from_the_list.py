#!/usr/bin/env python3
"""Opens the file list's menu every way a user can, reads Pause, and deletes two rows at once.

  steer_from_the_list.py PROGRAM_FOLDER ARTEFACTS_FOLDER CLIP...
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as d  # noqa: E402
from desktop import Failure, log, wait_for  # noqa: E402
from gi.repository import Atspi  # noqa: E402

ITEMS = ["Convert remaining rows", "Convert failed rows again", "Convert this row again"]


class ShownMenus:
    """The menus the program shows, as assistive technology learns of them: a popup menu is
    no child of the application on the bus; it announces itself when it shows."""

    def __init__(self):
        self.menus = []
        self.listener = Atspi.EventListener.new(self.heard)
        self.listener.register("object:state-changed:showing")

    def heard(self, event):
        if event.detail1 == 1 and d.matches(event.source, lambda n: d.role(n) in ("menu", "popup menu")):
            self.menus.append(event.source)

    def shown(self):
        """The shown menus, each as the names of its items."""
        names = []
        for menu in self.menus:
            if d.matches(menu, d.showing):
                items = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
                names.append([item.name for item in items if item is not None and d.role(item) == "menu item"])
        return names


def row_place(table, row):
    x, y, width, height = d.extents(d.cell(table, row, 0))
    return x + width // 2, y + height // 2


def check(folder, artefacts, clips):
    with d.running(folder, os.path.join(artefacts, "steer.stderr"), clips) as program:
        window = program.top_level("Ondrevo")
        d.wait_for_rows(window, len(clips), d.WIDGET_WAIT)
        table = d.file_list(window)

        pause = d.button(window, "Pause")
        if d.enabled(pause):
            raise Failure("Pause is enabled without a batch")
        log("Pause is there, greyed out")

        x, y = row_place(table, 1)
        d.click_at(x, y)
        menus = ShownMenus()
        opened = {
            "the right button": lambda: d.xdotool("mousemove", x, y, "click", 3),
            "the Menu key": lambda: d.key("Menu"),
            "Shift+F10": lambda: d.key("shift+F10"),
        }
        for how, act in opened.items():
            act()
            shown = wait_for("the list's menu opened by %s" % how, menus.shown)
            if shown != [ITEMS]:
                raise Failure("opened by %s, the program shows these menus: %s" % (how, shown))
            d.key("Escape")
            wait_for("the menu to close", lambda: not menus.shown())
            menus.menus.clear()
            log("%s opens one menu: %s" % (how, ITEMS))

        # Rows 1 and 3 picked, with Ctrl for the second; Delete removes both.
        d.click_at(*row_place(table, 1))
        d.xdotool("keydown", "ctrl")
        d.click_at(*row_place(table, 3))
        d.xdotool("keyup", "ctrl")
        d.press(window, "Delete")
        expected = [clips[0], clips[2]]
        wait_for("rows %s left" % expected, lambda: [row[0] for row in d.rows(table)] == expected)
        log("two selected rows deleted at once")
        d.press(window, "Quit")
        status = program.wait_end()
        if status != 0:
            raise Failure("Quit ended the program with status %s" % status)


if __name__ == "__main__":
    d.run_check(lambda: check(sys.argv[1], sys.argv[2], sys.argv[3:]))
