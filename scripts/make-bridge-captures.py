#!/usr/bin/python3
"""Writes tests/data/nvme-bridges: one NVMe drive in a USB enclosure for each
bridge chip scheme, recorded as the chip's answers to its own commands.

The commands are laid out here from the chips' public descriptions, not by
the program, so a replay that finds its answers proves the program sends
these bytes:
  ASMedia ASM236x: one 16-byte command E6h: [1] admin opcode, [3] CDW10's
    low byte, [6..7] CDW10's high half big-endian, [8..11] CDW13 and
    [12..15] CDW12 big-endian.
  Realtek RTL9210: one 16-byte command E4h: [1..2] the transfer length
    little-endian, [3] admin opcode, [4] CDW10's low byte; logs at most 512.
  JMicron JMS583: three ATA PASS-THROUGH(12) commands (A1h, [1] 80h with the
    step: 0 command block out, 2 data in, Fh response in; [3..5] length
    big-endian). The 512-byte block: "NVME" little-endian at 0, opcode at 8,
    NSID at 12, CDW10..15 at 48; the response: "NVME" at 0, status at
    double word 5 bits 31:17.

    /usr/bin/python3 scripts/make-bridge-captures.py [OUTPUT_DIR]
"""

import os
import runpy
import sys
import types

here = os.path.dirname(os.path.abspath(__file__))
# The demo drives' maker, for its Identify and health-log builders; its name
# has dashes, so it is run rather than imported.
demo = types.SimpleNamespace(**runpy.run_path(os.path.join(here, "make-demo-captures.py"), run_name="demo"))

IDENTIFY_LENGTH = 4096
LOG_LENGTH = 512
HEALTH_CDW10 = (LOG_LENGTH // 4 - 1) << 16 | 0x02  # NUMDL, log 02h
EVERY_NAMESPACE = 0xFFFFFFFF


def asmedia(opcode, cdw10):
    cdb = bytearray(16)
    cdb[0], cdb[1], cdb[3] = 0xE6, opcode, cdw10 & 0xFF
    cdb[6:8] = (cdw10 >> 16).to_bytes(2, "big")
    return bytes(cdb)


def realtek(opcode, cdw10, length):
    cdb = bytearray(16)
    cdb[0] = 0xE4
    cdb[1:3] = length.to_bytes(2, "little")
    cdb[3], cdb[4] = opcode, cdw10 & 0xFF
    return bytes(cdb)


def jmicron(step, length):
    cdb = bytearray(12)
    cdb[0], cdb[1] = 0xA1, 0x80 | step
    cdb[3:6] = length.to_bytes(3, "big")
    return bytes(cdb)


def jmicron_block(opcode, nsid, cdw10):
    block = bytearray(512)
    block[0:4] = b"NVME"
    block[8:12] = opcode.to_bytes(4, "little")
    block[12:16] = nsid.to_bytes(4, "little")
    block[48:52] = cdw10.to_bytes(4, "little")
    return bytes(block)


def jmicron_response():
    return b"NVME" + bytes(508)  # status 0 in double word 5


def hexed(data):
    return "\n".join("  " + data[i : i + 32].hex() for i in range(0, len(data), 32))


def write(path, comment, bridge, answers, sent=()):
    lines = ["# " + comment, "# Made by scripts/make-bridge-captures.py; edit that, not this file.",
             "usb-bridge " + bridge,
             "geometry %d %d %d %d" % (demo.cylinders(1000215216), demo.HEADS, demo.SECTORS, demo.SECTOR)]
    for cdb, block in sent:
        lines.append("bridge-sent %s %d\n%s" % (cdb.hex(), len(block), hexed(block)))
    for cdb, answer in answers:
        lines.append("bridge-answer %s %d\n%s" % (cdb.hex(), len(answer), hexed(answer)))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def drive(model, serial, kelvin, hours):
    identify = demo.nvme_identify(model, "1B2QEXM7", serial)
    identify[256:258] = bytes(2)  # no self-test: the bridges carry no log 06h here
    log = demo.nvme_health_log({
        "critical_warning": 0, "temperature_kelvin": kelvin, "available_spare": 100,
        "available_spare_threshold": 10, "percentage_used": 1, "data_units_read": 1234567,
        "data_units_written": 7654321, "host_read_commands": 11111111, "host_write_commands": 22222222,
        "controller_busy_time": 77, "power_cycles": 310, "power_on_hours": hours, "unsafe_shutdowns": 12,
        "media_errors": 0, "error_log_entries": 0, "warning_temperature_minutes": 0,
        "critical_temperature_minutes": 0})
    return bytes(identify), bytes(log)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "data", "nvme-bridges")

    identify, log = drive("Samsung SSD 970 EVO Plus 500GB", "S4EVNX0N123456A", 273 + 36, 812)
    write(os.path.join(out, "asmedia", "drive0.capture"), "ASMedia ASM2362 enclosure, Samsung 970 EVO Plus",
          "174c:2362 0100 uas",
          [(asmedia(0x06, 0x01), identify), (asmedia(0x02, HEALTH_CDW10), log)])

    identify, log = drive("WD Blue SN570 500GB", "22045A801777", 273 + 44, 1503)
    write(os.path.join(out, "jmicron", "drive0.capture"), "JMicron JMS583 enclosure, WD Blue SN570",
          "152d:0583 0214 uas",
          [(jmicron(0x2, IDENTIFY_LENGTH), identify), (jmicron(0x2, LOG_LENGTH), log),
           (jmicron(0xF, 512), jmicron_response())],
          [(jmicron(0x0, 512), jmicron_block(0x06, 0, 0x01)),
           (jmicron(0x0, 512), jmicron_block(0x02, EVERY_NAMESPACE, HEALTH_CDW10))])

    identify, log = drive("KINGSTON SNV2S500G", "50026B7785A1B2C3", 273 + 51, 96)
    write(os.path.join(out, "realtek", "drive0.capture"), "Realtek RTL9210 enclosure, Kingston NV2",
          "0bda:9210 2001 uas",
          [(realtek(0x06, 0x01, IDENTIFY_LENGTH), identify), (realtek(0x02, 0x02, LOG_LENGTH), log)])


if __name__ == "__main__":
    main()
