#!/usr/bin/python3
"""Writes the demo drives of data/demo: four drive captures and a volumes file.

The pages are built here from plain values, laid out as ATA drives lay them
out (IDENTIFY strings two characters per word, high byte first; S.M.A.R.T.
entries of 12 bytes after a two-byte revision) and as NVMe drives do
(Identify Controller texts in reading order; the health log little-endian,
its counters 16 bytes wide), so the demo needs no real drive. Run it again after changing a drive below:

    /usr/bin/python3 scripts/make-demo-captures.py [OUTPUT_DIR]
"""

import os
import sys

SECTOR = 512
# A fixed disk's geometry as the Linux layer reports it: 255 heads, 63 sectors.
HEADS, SECTORS = 255, 63


def put_word(page, word, value):
    page[2 * word] = value & 0xFF
    page[2 * word + 1] = (value >> 8) & 0xFF


def put_string(page, first_word, word_count, text):
    """An ATA string: space padded, the first character in each word's high byte."""
    text = text.ljust(2 * word_count)[: 2 * word_count].encode("latin-1")
    for i in range(word_count):
        page[2 * (first_word + i)] = text[2 * i + 1]
        page[2 * (first_word + i) + 1] = text[2 * i]


def finish_identify(page):
    # Word 255: signature 0xA5 and a checksum byte that makes the page sum to 0.
    page[510] = 0xA5
    page[511] = (-sum(page[:511])) & 0xFF


def identify_ata(model, firmware, serial, lba_sectors):
    page = bytearray(512)
    put_word(page, 0, 0x0C5A)  # fixed, non-removable ATA device
    put_word(page, 1, 16383)  # the default CHS geometry of any large drive
    put_word(page, 3, 16)
    put_word(page, 6, 63)
    put_string(page, 10, 10, serial)
    put_string(page, 23, 4, firmware)
    put_string(page, 27, 20, model)
    put_word(page, 47, 0x8010)
    put_word(page, 49, 0x0F00)  # LBA and DMA supported
    put_word(page, 53, 0x0007)
    put_word(page, 54, 16383)
    put_word(page, 55, 16)
    put_word(page, 56, 63)
    lba28 = min(lba_sectors, 0x0FFFFFFF)
    put_word(page, 60, lba28 & 0xFFFF)
    put_word(page, 61, lba28 >> 16)
    put_word(page, 80, 0x007E)  # ATA/ATAPI-1..6
    put_word(page, 82, 0x346B)  # S.M.A.R.T. feature set supported
    put_word(page, 83, 0x7F01 if lba_sectors > 0x0FFFFFFF else 0x7B01)
    put_word(page, 84, 0x4003)
    put_word(page, 85, 0x3469)  # ... and enabled
    put_word(page, 86, 0x3E01)
    put_word(page, 87, 0x4003)
    put_word(page, 88, 0x203F)  # UDMA 5 selected
    for i in range(4):
        put_word(page, 100 + i, (lba_sectors >> (16 * i)) & 0xFFFF)
    finish_identify(page)
    return page


def identify_packet(model, firmware, serial):
    page = bytearray(512)
    put_word(page, 0, 0x85C0)  # ATAPI, CD/DVD device, removable
    put_string(page, 10, 10, serial)
    put_string(page, 23, 4, firmware)
    put_string(page, 27, 20, model)
    put_word(page, 49, 0x0F00)
    put_word(page, 80, 0x003C)
    finish_identify(page)
    return page


def smart_pages(attributes, self_tests=False):
    """attributes: (id, flags, current, worst, threshold, raw integer) in page order.
    self_tests: the drive runs short and extended tests and keeps their log."""
    data = bytearray(512)
    thresholds = bytearray(512)
    data[0] = thresholds[0] = 0x10  # revision
    for j, (ident, flags, current, worst, threshold, raw) in enumerate(attributes):
        at = 2 + 12 * j
        data[at] = ident
        data[at + 1] = flags & 0xFF
        data[at + 2] = flags >> 8
        data[at + 3] = current
        data[at + 4] = worst
        data[at + 5 : at + 11] = raw.to_bytes(6, "little")
        thresholds[at] = ident
        thresholds[at + 1] = threshold
    data[362] = 0x82  # off-line data collection status
    data[367] = 0x03  # capabilities
    if self_tests:
        data[363] = 0x00  # last self-test completed without error
        data[367] = 0x5B  # and execute off-line immediate, self-tests, selective
        data[370] = 0x01  # error logging
        data[372], data[373], data[374] = 1, 54, 0  # polling minutes
    data[511] = (-sum(data[:511])) & 0xFF
    thresholds[511] = (-sum(thresholds[:511])) & 0xFF
    return data, thresholds


def with_checksum(page):
    page[511] = (-sum(page[:511])) & 0xFF
    return page


def self_test_log(tests):
    """Log 06h from (subcommand, status byte, power-on hour), oldest first."""
    page = bytearray(512)
    page[0] = 1
    for i, (subcommand, status, hour) in enumerate(tests):
        at = 2 + 24 * i
        page[at] = subcommand
        page[at + 1] = status
        page[at + 2 : at + 4] = hour.to_bytes(2, "little")
        page[at + 5 : at + 9] = (0xFFFFFFFF).to_bytes(4, "little")
    page[508] = len(tests)
    return with_checksum(page)


def error_log(count):
    page = bytearray(512)
    page[0] = 1
    page[452:454] = count.to_bytes(2, "little")
    return with_checksum(page)


def nvme_self_test_log(results):
    """Log 06h from (test code, result, power-on hour), newest first."""
    log = bytearray(564)
    for i in range(20):
        at = 4 + 28 * i
        if i < len(results):
            code, result, hour = results[i]
            log[at] = code << 4 | result
            log[at + 4 : at + 12] = hour.to_bytes(8, "little")
        else:
            log[at] = 0x0F  # unused
    return log


def hex_lines(page):
    return "\n".join("  " + page[i : i + 32].hex() for i in range(0, 512, 32))


def cylinders(lba_sectors):
    return lba_sectors // (HEADS * SECTORS)


def write_capture(path, comment, device_map, lba_sectors, positions):
    lines = ["# " + comment, "# Made by scripts/make-demo-captures.py; edit that, not this file.",
             "device-map 0x%02x" % device_map,
             "geometry %d %d %d %d" % (cylinders(lba_sectors), HEADS, SECTORS, SECTOR)]
    for position, entry in sorted(positions.items()):
        if "enable" in entry:
            lines.append("enable %d %s" % (position, "ok" if entry["enable"] else "fail"))
        lines.append("identify %d\n%s" % (position, hex_lines(entry["identify"])))
        if "smart" in entry:
            data, thresholds = entry["smart"]
            lines.append("smart-data %d\n%s" % (position, hex_lines(data)))
            lines.append("smart-thresholds %d\n%s" % (position, hex_lines(thresholds)))
        for address, page in sorted(entry.get("logs", {}).items()):
            lines.append("smart-log %d 0x%02x\n%s" % (position, address, hex_lines(page)))
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def nvme_identify(model, firmware, serial):
    data = bytearray(4096)
    data[0:2] = (0x15B7).to_bytes(2, "little")  # PCI vendor: SanDisk, which makes WD's NVMe drives
    data[4:24] = serial.ljust(20).encode("ascii")
    data[24:64] = model.ljust(40).encode("ascii")
    data[64:72] = firmware.ljust(8).encode("ascii")
    data[256:258] = (0x0017).to_bytes(2, "little")  # OACS: security, format, firmware, self-test
    data[316:318] = (95).to_bytes(2, "little")  # EDSTT: an extended self-test takes 95 minutes
    return data


def nvme_health_log(fields):
    """The SMART / Health Information log page from its fields by name."""
    page = bytearray(512)
    page[0] = fields["critical_warning"]
    page[1:3] = fields["temperature_kelvin"].to_bytes(2, "little")
    page[3] = fields["available_spare"]
    page[4] = fields["available_spare_threshold"]
    page[5] = fields["percentage_used"]
    counters = ["data_units_read", "data_units_written", "host_read_commands", "host_write_commands",
                "controller_busy_time", "power_cycles", "power_on_hours", "unsafe_shutdowns", "media_errors",
                "error_log_entries"]
    for i, name in enumerate(counters):
        page[32 + 16 * i : 48 + 16 * i] = fields[name].to_bytes(16, "little")
    page[192:196] = fields["warning_temperature_minutes"].to_bytes(4, "little")
    page[196:200] = fields["critical_temperature_minutes"].to_bytes(4, "little")
    return page


def write_nvme_capture(path, comment, lba_sectors, identify, log, self_test_log=None):
    hexed = lambda data: "\n".join("  " + data[i : i + 32].hex() for i in range(0, len(data), 32))
    lines = ["# " + comment, "# Made by scripts/make-demo-captures.py; edit that, not this file.",
             "interface nvme",
             "geometry %d %d %d %d" % (cylinders(lba_sectors), HEADS, SECTORS, SECTOR),
             "nvme-identify\n" + hexed(identify),
             "nvme-health-log\n" + hexed(log)]
    if self_test_log:
        lines.append("nvme-self-test-log\n" + hexed(self_test_log))
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def raw_hours(hours, minutes=0):
    # Some drives keep minutes above the hours; the monitor reads bytes 0..3.
    return hours | (minutes << 32)


def raw_temperature(now, lowest, highest):
    return now | (lowest << 16) | (highest << 32)


def write_shelf_drives(out, count):
    """Drives HD4 to HD(count-1), for a machine with more drives than disk
    buttons: NAS disks of two models, each with its own serial number,
    temperature and work time; HD7 fails now (reallocated sectors) and HD9
    has pending sectors, so that both badges show beyond the first page."""
    for n in range(4, count):
        model = "WDC WD40EFRX-68N32N0" if n % 2 else "ST4000VN008-2DR166"
        sectors = 7814037168
        reallocated = (5, 0x0033, 20, 20, 36, 1900) if n == 7 else (5, 0x0033, 100, 100, 36, 0)
        pending = (197, 0x0012, 100, 100, 0, 4 if n == 9 else 0)
        temperature = 30 + (n * 7) % 13
        pages = smart_pages([
            (1, 0x000F, 100, 100, 6, 0),
            reallocated,
            (9, 0x0032, 80, 80, 0, raw_hours(9000 + 611 * n)),
            (12, 0x0032, 100, 100, 20, 40 + n),
            (194, 0x0022, temperature, 60, 0, raw_temperature(temperature, 18, 0)),
            pending,
        ])
        serial = "ZDH%04dQ%d" % (1200 + n * 37, n)
        write_capture(os.path.join(out, "drive%d.capture" % n), "%s, 4 TB, in a NAS shelf" % model, 0x01, sectors, {
            0: {"enable": True, "identify": identify_ata(model, "SC60", serial, sectors), "smart": pages},
        })


def main():
    # make-demo-captures.py [DIR [--drives N]]: N drives (4 by default, at most
    # 64), the four demo drives and shelf drives after them.
    args = sys.argv[1:]
    count = 4
    if "--drives" in args:
        at = args.index("--drives")
        count = max(4, min(64, int(args[at + 1])))
        del args[at:at + 2]
    out = args[0] if args else os.path.join(os.path.dirname(__file__), "..", "data", "demo")
    os.makedirs(out, exist_ok=True)
    write_shelf_drives(out, count)

    # HD0: a Western Digital NVMe drive, 1 TB, 41 degrees, in good health:
    # the first drive a new user sees, as most machines have today. The four
    # drive numbers are all taken, so it took the place of the plain ATA
    # drive; the others keep their roles.
    sn_sectors = 1953525168
    write_nvme_capture(os.path.join(out, "drive0.capture"), "WD_BLACK SN770 NVMe, 1 TB", sn_sectors,
                       nvme_identify("WD_BLACK SN770 1TB", "731030WD", "22136P801234"),
                       nvme_health_log({
                           "critical_warning": 0, "temperature_kelvin": 273 + 41, "available_spare": 100,
                           "available_spare_threshold": 10, "percentage_used": 4,
                           "data_units_read": 48213557, "data_units_written": 39102884,
                           "host_read_commands": 612334901, "host_write_commands": 498220113,
                           "controller_busy_time": 1864, "power_cycles": 1790, "power_on_hours": 14523,
                           "unsafe_shutdowns": 37, "media_errors": 0, "error_log_entries": 2,
                           "warning_temperature_minutes": 0, "critical_temperature_minutes": 0,
                       }),
                       nvme_self_test_log([(1, 0, 14519), (2, 0, 14210), (1, 0, 14100)]))

    # HD1: a Seagate running hot at 57 degrees; its airflow sensor (190) reads
    # less, but its worst value once fell below the threshold. With three
    # pending sectors it is the demo's drive in caution, so that a new user
    # sees what a warning looks like.
    st_sectors = 312581808
    st = smart_pages([
        (1, 0x000F, 117, 99, 6, 0x8A3C1D),
        (3, 0x0003, 97, 97, 0, 0),
        (4, 0x0032, 100, 100, 20, 512),
        (5, 0x0033, 100, 100, 36, 0),
        (7, 0x000F, 78, 60, 30, 0x3B2A11),
        (9, 0x0032, 98, 98, 0, raw_hours(2210)),
        (10, 0x0013, 100, 100, 97, 0),
        (12, 0x0032, 100, 100, 20, 511),
        (190, 0x0022, 57, 41, 45, 0x2B2A142B),
        (194, 0x0022, 57, 59, 0, raw_temperature(57, 14, 0)),
        (195, 0x001A, 64, 57, 0, 0x0A2B5F),
        (197, 0x0012, 100, 100, 0, 3),
        (198, 0x0010, 100, 100, 0, 0),
        (199, 0x003E, 200, 200, 0, 0),
        (200, 0x0000, 100, 253, 0, 0),
        (202, 0x0032, 100, 253, 0, 0),
    ], self_tests=True)
    write_capture(os.path.join(out, "drive1.capture"), "Seagate Barracuda, 160 GB, running hot, three pending sectors", 0x01, st_sectors, {
        0: {"enable": True, "identify": identify_ata("ST3160023A", "3.06", "3JS0QXYZ", st_sectors), "smart": st,
            "logs": {0x06: self_test_log([(2, 0x00, 1890), (1, 0x00, 2040), (1, 0x10, 2190), (1, 0x00, 2200)]),
                     0x01: error_log(0)}},
    })

    # HD2: an IBM Deskstar that reports no temperature at all.
    ibm_sectors = 60036480
    ibm = smart_pages([
        (1, 0x000B, 100, 100, 60, 0),
        (2, 0x0005, 127, 127, 50, 0),
        (3, 0x0007, 118, 118, 24, 0x0159),
        (4, 0x0012, 99, 99, 0, 4210),
        (5, 0x0033, 100, 100, 5, 0),
        (7, 0x000B, 100, 100, 67, 0),
        (8, 0x0005, 116, 116, 20, 0),
        (9, 0x0012, 96, 96, 0, raw_hours(31870)),
        (10, 0x0013, 100, 100, 60, 0),
        (12, 0x0032, 99, 99, 0, 3877),
        (192, 0x0032, 99, 99, 0, 1342),
        (193, 0x0012, 99, 99, 0, 1342),
        (196, 0x0032, 100, 100, 0, 0),
        (197, 0x0022, 100, 100, 0, 0),
        (198, 0x0008, 100, 100, 0, 0),
        (199, 0x000A, 200, 200, 0, 0),
    ])
    write_capture(os.path.join(out, "drive2.capture"), "IBM Deskstar 75GXP, 30 GB, no temperature attribute", 0x01,
                  ibm_sectors, {
                      0: {"enable": True, "identify": identify_ata("DTLA-307030", "TX6OA50C", "YKEYKT47291", ibm_sectors),
                          "smart": ibm},
                  })

    # HD3: a DVD writer (ATAPI, position 0) and a Maxtor disk (position 1) on
    # one channel. Both are identified; the disk, the later position, is what
    # the slot keeps, and only it is asked for S.M.A.R.T. pages.
    mx_sectors = 390721968
    mx = smart_pages([
        (1, 0x000F, 100, 253, 6, 0),
        (3, 0x0003, 98, 98, 0, 0),
        (4, 0x0032, 100, 100, 20, 37),
        (5, 0x0033, 100, 100, 36, 0),
        (7, 0x000F, 80, 60, 30, 0x6B3A2F1),
        (9, 0x0032, 94, 94, 0, raw_hours(6021, 31)),
        (10, 0x0013, 100, 100, 97, 0),
        (12, 0x0032, 100, 100, 20, 41),
        (187, 0x0032, 100, 100, 0, 0),
        (189, 0x003A, 100, 100, 0, 0),
        (190, 0x0022, 62, 55, 45, 0x25231226),
        (194, 0x0022, 38, 45, 0, raw_temperature(38, 18, 0)),
        (195, 0x001A, 69, 60, 0, 0x8C1A3D),
        (197, 0x0012, 100, 100, 0, 0),
        (198, 0x0010, 100, 100, 0, 0),
        (199, 0x003E, 200, 200, 0, 0),
        (200, 0x0000, 100, 253, 0, 0),
        (202, 0x0032, 100, 253, 0, 0),
    ])
    write_capture(os.path.join(out, "drive3.capture"),
                  "ATAPI DVD writer at position 0, Maxtor DiamondMax 21 at position 1", 0x13, mx_sectors, {
                      0: {"identify": identify_packet("HL-DT-ST DVDRAM GSA-H42N", "RL00", "K3M7A2F1234")},
                      1: {"enable": True, "identify": identify_ata("STM3200820A", "3.AAE", "5QE3ABCD", mx_sectors),
                          "smart": mx},
                  })

    with open(os.path.join(out, "volumes"), "w") as volumes:
        volumes.write("# Free space of the demo volumes: root, then bytes free.\n"
                      "/ 21474836480\n"
                      "/home 187904819200\n"
                      "/srv/backup 524288000\n")


if __name__ == "__main__":
    main()
