#!/usr/bin/python3
"""Small X11 actions for the window scripts, as a user or a desktop would do
them: wait for a window, ask it to close (WM_DELETE_WINDOW, what the title
bar's close button sends), click the program's notification-area icon, and
tell whether a window is on the screen.

  x11_window.py wait-tray SECONDS            a notification area is up
  x11_window.py wait-window TITLE SECONDS    prints the window's id
  x11_window.py wait-state ID viewable|hidden SECONDS
  x11_window.py close ID
  x11_window.py click-tray-icon CLASS SECONDS [BUTTON]
  x11_window.py click-menu-item CLASS ROW SECONDS   the ROW-th item (0 first) of
                                                   the program's open popup menu
  x11_window.py screenshot FILE              the whole screen as a PNG
  x11_window.py has-class CLASS              exit status 0 when a shown top-level
                                             window of that class is up
  x11_window.py tray-icon-badge CLASS SECONDS FILE  the program's notification-
                                             area icon as a PNG; prints its health
                                             badge: good, caution or bad
Exit status 1 with a message on stderr when something does not happen in time.
"""
import struct
import sys
import time
import zlib

from Xlib import X, display, protocol
from Xlib.error import XError
from Xlib.ext import xtest

import icon_badge

dpy = display.Display()
root = dpy.screen().root


def fail(message):
    sys.stderr.write("x11_window: " + message + "\n")
    sys.exit(1)


def until(seconds, probe):
    deadline = time.monotonic() + float(seconds)
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    return None


def walk(window):
    try:
        children = window.query_tree().children
    except XError:
        return
    for child in children:
        yield child
        yield from walk(child)


def name_of(window):
    try:
        name = window.get_full_property(dpy.intern_atom("_NET_WM_NAME"), 0)
        if name:
            return name.value.decode("utf-8", "replace")
        return window.get_wm_name() or ""
    except XError:
        return ""


def viewable(window):
    try:
        return window.get_attributes().map_state == X.IsViewable
    except XError:
        return False


def tray_owner():
    atom = dpy.intern_atom("_NET_SYSTEM_TRAY_S%d" % dpy.get_default_screen())
    return dpy.get_selection_owner(atom) != X.NONE


def find_window(title):
    for window in walk(root):
        if name_of(window) == title and window.get_wm_class() is not None:
            return window
    return None


def tray_icon(wm_class):
    # The icon is a small window of the program's own, embedded (reparented)
    # into the notification area, so it is no longer a child of the root.
    top_level = {w.id for w in root.query_tree().children}
    for window in walk(root):
        try:
            classes = window.get_wm_class()
            geometry = window.get_geometry()
        except XError:
            continue
        if not classes or wm_class not in [c.lower() for c in classes]:
            continue
        if window.id in top_level or geometry.width > 64 or geometry.height > 64:
            continue
        if viewable(window):
            return window
    return None


def close(window):
    wm_protocols = dpy.intern_atom("WM_PROTOCOLS")
    wm_delete = dpy.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=window, client_type=wm_protocols,
                                         data=(32, [wm_delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event)
    dpy.flush()


def popup_menu(wm_class):
    # An open popup menu: a top-level window of the program that the window
    # manager does not handle (override-redirect), on the screen.
    for window in root.query_tree().children:
        try:
            classes = window.get_wm_class()
            attributes = window.get_attributes()
        except XError:
            continue
        if classes and wm_class in [c.lower() for c in classes] and attributes.override_redirect \
                and attributes.map_state == X.IsViewable:
            return window
    return None


def click(window, button=1, at=None):
    geometry = window.get_geometry()
    origin = window.translate_coords(root, 0, 0)
    x, y = at if at else (geometry.width // 2, geometry.height // 2)
    xtest.fake_input(dpy, X.MotionNotify, x=-origin.x + x, y=-origin.y + y)
    dpy.sync()
    time.sleep(0.2)
    xtest.fake_input(dpy, X.ButtonPress, button)
    xtest.fake_input(dpy, X.ButtonRelease, button)
    dpy.sync()


def screenshot(path):
    # Written with zlib alone, so that no image library is needed. The X
    # server keeps 24-bit colour in 32-bit pixels, blue byte first.
    geometry = root.get_geometry()
    width, height = geometry.width, geometry.height
    pixels = root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data
    rows = bytearray()
    for y in range(height):
        line = pixels[y * width * 4:(y + 1) * width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows += b"\0" + rgb

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 2:
        fail(__doc__)
    command = argv[1]
    if command == "wait-tray":
        if not until(argv[2], tray_owner):
            fail("no notification area came up")
    elif command == "wait-window":
        window = until(argv[3], lambda: find_window(argv[2]))
        if not window:
            fail("no window titled %r" % argv[2])
        print(window.id)
    elif command == "wait-state":
        window = dpy.create_resource_object("window", int(argv[2]))
        want = argv[3] == "viewable"
        if not until(argv[4], lambda: viewable(window) == want):
            fail("window %s did not become %s" % (argv[2], argv[3]))
    elif command == "close":
        close(dpy.create_resource_object("window", int(argv[2])))
    elif command == "click-tray-icon":
        icon = until(argv[3], lambda: tray_icon(argv[2].lower()))
        if not icon:
            fail("no notification-area icon of class %r" % argv[2])
        click(icon, int(argv[4]) if len(argv) > 4 else 1)
    elif command == "click-menu-item":
        menu = until(argv[4], lambda: popup_menu(argv[2].lower()))
        if not menu:
            fail("no popup menu of class %r opened" % argv[2])
        time.sleep(0.3)
        # Items of a popup menu are rows of about the font's line height; aim
        # at the middle of the row, well inside the menu's left margin.
        row_height = 24
        click(menu, 1, (30, 4 + row_height * int(argv[3]) + row_height // 2))
    elif command == "has-class":
        def classes(window):
            try:
                return [c.lower() for c in (window.get_wm_class() or [])]
            except XError:
                return []
        shown = [w for w in root.query_tree().children if viewable(w)]
        sys.exit(0 if any(argv[2].lower() in classes(w) for w in shown) else 1)
    elif command == "tray-icon-badge":
        icon = until(argv[3], lambda: tray_icon(argv[2].lower()))
        if not icon:
            fail("no notification-area icon of class %r" % argv[2])
        time.sleep(0.5)  # painted after it is mapped
        geometry = icon.get_geometry()
        width, height = geometry.width, geometry.height
        data = icon.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data

        def pixel(x, y):  # 24-bit colour in 32-bit pixels, blue byte first
            b, g, r = data[4 * (y * width + x):4 * (y * width + x) + 3]
            return r, g, b, 255

        icon_badge.write_png(argv[4], width, height, pixel)
        print(icon_badge.badge(width, height, pixel))
    elif command == "screenshot":
        screenshot(argv[2])
    else:
        fail("unknown command " + command)


main(sys.argv)
