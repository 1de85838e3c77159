"""What a notification-area icon shows, read from its pixels: the health
badge in its lower right quarter (amber for caution, red for bad, none for
good), and the pixels written out as a PNG for the screenshots. Shared by
x11_window.py (the XEmbed icon) and sni_item.py (the StatusNotifierItem's
IconPixmap)."""
import struct
import zlib


def badge(width, height, pixel):
    """`pixel(x, y)` gives (red, green, blue, alpha). 'bad', 'caution' or
    'good' by the badge colours that cover the lower right quarter."""
    amber = red = 0
    for y in range(height // 2, height):
        for x in range(width // 2, width):
            r, g, b, a = pixel(x, y)
            if a < 128:
                continue
            if r > 180 and g < 60 and b < 60:
                red += 1
            elif r > 200 and 120 < g < 200 and b < 60:
                amber += 1
    quarter = max(1, (width // 2) * (height // 2))
    if red * 5 >= quarter:
        return "bad"
    if amber * 5 >= quarter:
        return "caution"
    return "good"


def figure(width, height, pixel):
    """True when the icon is a temperature drawn on a square of one health
    colour (green, amber or red): that colour covers most of its upper left
    quarter too, where the badged icon shows the plain one."""
    covered = 0
    for y in range(height // 2):
        for x in range(width // 2):
            r, g, b, a = pixel(x, y)
            if a < 128:
                continue
            green = r < 80 and 100 < g < 170 and b < 100
            amber = r > 200 and 120 < g < 200 and b < 60
            red = r > 180 and g < 60 and b < 60
            covered += green or amber or red
    return covered * 2 >= (width // 2) * (height // 2)


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows += b"\0"
        for x in range(width):
            rows += bytes(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))
