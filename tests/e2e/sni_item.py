#!/usr/bin/python3
"""A program's StatusNotifierItem as a tray host sees it, for the tray
scripts: which item registered with the (mocked) watcher, and what its
icon and status show.

  sni_item.py wait-item WATCHER_LOG SECONDS     prints the item's bus name
  sni_item.py state NAME PNG                    prints "STATUS BADGE" (the badge
                                                from the largest IconPixmap,
                                                written to PNG)
  sni_item.py menu NAME                         prints the item's dbusmenu labels,
                                                "|" between them, "-" a separator
Exit status 1 with a message on stderr when something does not happen in time.
"""
import re
import sys
import time

import dbus

import icon_badge

ITEM = "org.kde.StatusNotifierItem"


def fail(message):
    sys.stderr.write("sni_item: " + message + "\n")
    sys.exit(1)


def wait_item(log, seconds):
    deadline = time.monotonic() + float(seconds)
    while time.monotonic() < deadline:
        try:
            with open(log) as calls:
                for line in calls:
                    found = re.search(r'RegisterStatusNotifierItem "([^"]+)"', line)
                    if found:
                        return found.group(1)
        except FileNotFoundError:
            pass
        time.sleep(0.1)
    fail("no item registered with the watcher")


def state(name, png):
    bus = dbus.SessionBus()
    # An item registers by its bus name (its object is /StatusNotifierItem)
    # or by an object path on the caller's connection.
    service, path = (name, "/StatusNotifierItem") if not name.startswith("/") else (None, name)
    properties = dbus.Interface(bus.get_object(service, path), "org.freedesktop.DBus.Properties")
    status = str(properties.Get(ITEM, "Status"))
    pixmaps = properties.Get(ITEM, "IconPixmap")
    if not pixmaps:
        fail("the item has no IconPixmap")
    width, height, data = max(pixmaps, key=lambda p: int(p[0]) * int(p[1]))
    width, height, data = int(width), int(height), bytes(bytearray(data))

    def pixel(x, y):  # ARGB32 in network byte order
        a, r, g, b = data[4 * (y * width + x):4 * (y * width + x) + 4]
        return r, g, b, a

    icon_badge.write_png(png, width, height, pixel)
    shown = status + " " + icon_badge.badge(width, height, pixel)
    return shown + (" figure" if icon_badge.figure(width, height, pixel) else "")


def menu(name):
    bus = dbus.SessionBus()
    item = bus.get_object(name, "/StatusNotifierItem")
    path = dbus.Interface(item, "org.freedesktop.DBus.Properties").Get(ITEM, "Menu")
    exporter = dbus.Interface(bus.get_object(name, path), "com.canonical.dbusmenu")
    _, (_, _, children) = exporter.GetLayout(0, -1, dbus.Array([], signature="s"))
    labels = []
    for child in children:
        properties = child[1]
        labels.append("-" if properties.get("type") == "separator" else str(properties.get("label", "")))
    return "|".join(labels)


def main(argv):
    if len(argv) < 2:
        fail(__doc__)
    if argv[1] == "wait-item":
        print(wait_item(argv[2], argv[3]))
    elif argv[1] == "menu":
        print(menu(argv[2]))
    elif argv[1] == "state":
        print(state(argv[2], argv[3]))
    else:
        fail("unknown command " + argv[1])


main(sys.argv)
