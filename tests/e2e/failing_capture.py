#!/usr/bin/python3
"""A drive capture whose drive is failing now, for the tray and window
tests: the value of its Reallocated Sector Count (attribute 5) fallen to 1,
below any threshold it has.

  failing_capture.py IN OUT
"""
import sys

source, target = sys.argv[1], sys.argv[2]
text = open(source).read()
head, rest = text.split("smart-data 0\n", 1)
lines = rest.split("\n")
page = bytearray.fromhex("".join(line.strip() for line in lines[:16]))
found = False
for j in range(30):
    entry = 2 + 12 * j
    if page[entry] == 5:
        page[entry + 3] = 1
        found = True
if not found:
    sys.exit("failing_capture: %s has no attribute 5" % source)
hexed = page.hex()
lines[:16] = ["  " + hexed[i:i + 64] for i in range(0, 1024, 64)]
open(target, "w").write(head + "smart-data 0\n" + "\n".join(lines))
