#!/usr/bin/python3
"""Checks what the test guest of tests/e2e/qemu_drives.sh brought back.

taruk's report must agree with smartctl (the peer) and with the identities
QEMU was given; the capacity must follow the Windows geometry rule; the
captures must replay to the same report; the unprivileged path through
taruk-smart-reader must read the same bytes, and fail readably without its
capabilities.

    check_drives.py RESULTS TARUK --expect 'SERIAL|MODEL|FIRMWARE|BYTES' ...
"""
import argparse
import json
import pathlib
import struct
import subprocess
import sys

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)
    return condition


def text(path):
    return path.read_text(errors="replace") if path.exists() else ""


def exit_code(path):
    try:
        return int(text(path).strip())
    except ValueError:
        return None


def without_comments(capture):
    return [line for line in capture.splitlines() if not line.lstrip().startswith("#")]


def single(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def windows_capacity(cylinders, tracks, sectors, sector_bytes):
    # Double-precision product, single-precision factors, truncation.
    total = float(sector_bytes) * sectors * tracks * cylinders
    gigabytes = int(total * single(1e-9))
    megabytes = int((total - gigabytes * 1e9) * single(1e-6))
    return gigabytes, megabytes


def check_drive(drive, peer, identity):
    serial, model, firmware, size = identity
    name = f"drive {drive['index']} ({serial})"
    check(drive["serialNumber"].strip() == peer["serial_number"] == serial, f"{name}: serial number")
    check(drive["model"].strip() == peer["model_name"] == model, f"{name}: model")
    check(drive["firmware"].strip() == peer["firmware_version"] == firmware, f"{name}: firmware")
    check(peer["user_capacity"]["bytes"] == size, f"{name}: smartctl sees {size} bytes")

    sector = peer["logical_block_size"]
    cylinders = size // (255 * 63 * sector)
    check((drive["cylinders"], drive["tracksPerCylinder"], drive["sectorsPerTrack"], drive["bytesPerSector"])
          == (cylinders, 255, 63, sector), f"{name}: geometry {cylinders} x 255 x 63 x {sector}")
    check((drive["capacityGb"], drive["capacityMb"]) == windows_capacity(cylinders, 255, 63, sector),
          f"{name}: capacity {drive['capacityGb']} GB {drive['capacityMb']} MB from the geometry")

    ours = drive["attributes"]
    theirs = peer["ata_smart_attributes"]["table"]
    check([a["id"] for a in ours] == [a["id"] for a in theirs],
          f"{name}: attribute ids {[a['id'] for a in ours]}")
    for a, b in zip(ours, theirs):
        check((a["current"], a["worst"], a["threshold"], int(a["raw"], 16))
              == (b["value"], b["worst"], b["thresh"], b["raw"]["value"]),
              f"{name}: attribute {a['id']} value/worst/threshold/raw {a['current']}/{a['worst']}/"
              f"{a['threshold']}/{a['raw']}")
    hours = next((b["raw"]["value"] for b in theirs if b["id"] == 9), None)
    check(drive["powerOnHours"] == hours, f"{name}: power-on hours {drive['powerOnHours']}")
    # QEMU reports 190 only, which is not a temperature the monitor reads.
    check(drive["temperature"] == 0, f"{name}: no temperature attribute, temperature 0")
    check(drive["powerMode"] == "active", f"{name}: CHECK POWER MODE answered active ({drive['powerMode']})")

    # The verdict against smartctl's own reading of the thresholds, and the
    # four counts in the low 16 bits of their raw values.
    failed = [b.get("when_failed", "") for b in theirs]
    counted = [b["raw"]["value"] & 0xFFFF for b in theirs if b["id"] in (5, 196, 197, 198)]
    verdict = "bad" if "now" in failed else "caution" if "past" in failed or any(counted) else "good"
    check(drive["health"] == verdict, f"{name}: health {drive['health']} ({'; '.join(drive['healthReasons'])}),"
          f" smartctl says {verdict}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("results", type=pathlib.Path)
    parser.add_argument("taruk")
    parser.add_argument("--expect", action="append", default=[])
    args = parser.parse_args()
    r = args.results
    identities = {}
    for expected in args.expect:
        serial, model, firmware, size = expected.split("|")
        identities[serial] = (serial, model, firmware, int(size))

    print("guest block devices:", " ".join(text(r / "block-devices.txt").split()))
    peers = {}
    for path in sorted(r.glob("smartctl-*.json")):
        peer = json.loads(path.read_text())
        peers[peer.get("serial_number")] = peer
    check(sorted(peers) == sorted(identities), f"smartctl found the disks {sorted(peers)}")

    # As root, straight through SG_IO.
    check(exit_code(r / "report-json.rc") == 0, "taruk --report --json exits 0")
    report_text = text(r / "report.json")
    try:
        report = json.loads(report_text)
    except json.JSONDecodeError as error:
        check(False, f"report.json is JSON ({error})")
        return
    drives = report["drives"]
    check([d["index"] for d in drives] == [0, 1],
          "drives 0 and 1 present; the optical drive takes no number and the virtio disk (2) is not present")
    for drive in drives:
        serial = drive["serialNumber"].strip()
        if check(serial in identities and serial in peers, f"drive {drive['index']} is a known disk ({serial})"):
            check_drive(drive, peers[serial], identities[serial])
    report_lines = text(r / "report.txt")
    check("/dev/vda: not an ATA drive" in report_lines, "--report says why /dev/vda is not read")
    check("/dev/sd" not in report_lines, "--report has nothing to say against the hard disks")

    # Captures, and their replay on this machine.
    check(exit_code(r / "capture.rc") == 0, "taruk --capture exits 0")
    captures = sorted(p.name for p in (r / "capture").glob("drive*.capture"))
    check(captures == ["drive0.capture", "drive1.capture", "drive2.capture"],
          f"a capture for every drive that opens, the stale drive3.capture gone: {captures}")
    check("device-map" not in text(r / "capture/drive2.capture"), "the virtio disk's capture has no device map")
    replay = subprocess.run([args.taruk, "--report", "--json", "--replay", str(r / "capture")],
                            capture_output=True, text=True, timeout=60)
    check(replay.returncode == 0 and replay.stdout == report_text, "the captures replay to the same report")

    # Unprivileged, through the reader with its capabilities.
    u = r / "user"
    check("cap_dac_read_search,cap_sys_rawio,cap_sys_admin=ep" in text(r / "getcap.txt"),
          f"setcap gave the reader its capabilities: {text(r / 'getcap.txt').strip()}")
    check(exit_code(u / "capture.rc") == 0, "unprivileged taruk --capture exits 0")
    for name in captures:
        check(text(u / "capture" / name) == text(r / "capture" / name) != "",
              f"unprivileged {name} is byte for byte the root one")
    check(exit_code(u / "report-json.rc") == 0 and text(u / "report.json") == report_text,
          "unprivileged --report --json equals the root one")
    for n in (0, 1, 2):
        check(exit_code(u / f"reader-{n}.rc") == 0 and
              without_comments(text(u / f"reader-{n}.out")) == without_comments(text(r / f"capture/drive{n}.capture")),
              f"taruk-smart-reader {n} prints drive{n}'s capture")
    check("/dev/vda: not an ATA drive" in text(u / "reader-2.err"), "the reader says why the virtio disk is not read")
    check(exit_code(u / "reader-3.rc") == 3 and text(u / "reader-3.out") == "",
          "taruk-smart-reader 3: no such drive, exit 3, nothing printed")

    # Unprivileged without the capabilities: readable failures.
    err = text(u / "nocaps-reader.err")
    check(exit_code(u / "nocaps-reader.rc") == 1 and "permission denied" in err and "capabilities" in err,
          f"the reader without capabilities fails readably: {err.strip()}")
    lines = text(u / "nocaps-report.txt")
    check(exit_code(u / "nocaps-report.rc") == 0 and lines.count("permission denied") >= 2,
          "taruk --report through a reader without capabilities says why, drive by drive")
    err = text(u / "readable-node.err")
    check(exit_code(u / "readable-node.rc") == 0 and "permission denied" in err
          and "device-map" not in text(u / "readable-node.out"),
          f"a readable node without CAP_SYS_RAWIO: the pass-through is refused, readably: {err.strip()}")

    # STANDBY IMMEDIATE sent to the AHCI disk: what QEMU reports afterwards,
    # by smartctl and by taruk, which must agree.
    peer = text(r / "standby-check.txt")
    peer_mode = "standby" if "STANDBY mode" in peer else "active" if "ACTIVE or IDLE" in peer else "unknown"
    try:
        after = json.loads(text(r / "report-after-standby.json"))["drives"][0]["powerMode"]
    except (json.JSONDecodeError, KeyError, IndexError):
        after = "no report"
    check(after == peer_mode != "unknown",
          f"after STANDBY IMMEDIATE taruk reports {after}, smartctl {peer_mode}")
    print(f"after STANDBY IMMEDIATE QEMU still reports: {peer_mode}")
    for name in captures[:2]:
        check("power-mode 0 0xff" in text(r / "capture" / name), f"{name} records the power mode")

    # The device layer against the kernel.
    gtest = text(r / "gtest.txt")
    check(exit_code(r / "gtest.rc") == 0 and "[  PASSED  ]" in gtest and "FAILED" not in gtest,
          "device tests inside the guest pass")
    if "FAILED" in gtest or exit_code(r / "gtest.rc") != 0:
        print(gtest[-4000:])


if __name__ == "__main__":
    main()
    print(f"{len(failures)} failed" if failures else "all checks passed")
    sys.exit(1 if failures else 0)
