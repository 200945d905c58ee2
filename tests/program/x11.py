#!/usr/bin/env python3
"""Small X11 client for the whole-program checks, on libX11 through ctypes.

  x11.py find NAME             print the id of a mapped top-level window titled NAME; fail without one
  x11.py close ID              ask the window to close, as a window manager's close box does
"""
import ctypes
import ctypes.util
import sys

x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
Window = ctypes.c_ulong
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = Window
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                         ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
x.XFree.argtypes = [ctypes.c_void_p]
x.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", Window), ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def children(display, window):
    root, parent = Window(), Window()
    kids = ctypes.POINTER(Window)()
    count = ctypes.c_uint()
    if not x.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                        ctypes.byref(count)):
        return []
    found = [kids[i] for i in range(count.value)]
    if kids:
        x.XFree(kids)
    return found


def find(display, name):
    stack = [x.XDefaultRootWindow(display)]
    while stack:
        window = stack.pop()
        title = ctypes.c_char_p()
        if x.XFetchName(display, window, ctypes.byref(title)) and title.value is not None:
            text = title.value.decode("utf-8", "replace")
            x.XFree(title)
            attributes = XWindowAttributes()
            x.XGetWindowAttributes(display, window, ctypes.byref(attributes))
            if text == name and attributes.map_state == 2:  # IsViewable
                return window
        stack.extend(children(display, window))
    return None


def main():
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    if sys.argv[1] == "find":
        window = find(display, sys.argv[2])
        if not window:
            sys.exit(1)
        print(window)
        return
    if sys.argv[1] == "close":
        window = int(sys.argv[2])
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x.XFlush(display)
        return
    sys.exit(__doc__)


if __name__ == "__main__":
    main()
