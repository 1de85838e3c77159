#!/usr/bin/python3
"""Checks what the test guest of tests/e2e/qemu_drives.sh brought back.

taruk's report must agree with smartctl and nvme-cli (the peers) and with
the identities QEMU was given; the capacity must follow the Windows geometry rule; the
captures must replay to the same report; the unprivileged path through
taruk-smart-reader must read the same bytes, and fail readably without its
capabilities; with no reader at all the NVMe drive still shows its identity
and temperature.

    check_drives.py RESULTS TARUK --expect 'SERIAL|MODEL|FIRMWARE|BYTES' ...
                    --nvme 'SERIAL|BYTES'
"""
import argparse
import json
import pathlib
import re
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
        # The raw value as a number: counts from their low 16 bits, hours from 32.
        mask = 0xFFFF if a["id"] in (5, 196, 197, 198) else 0xFFFFFFFF if a["id"] == 9 else None
        if mask is not None:
            check(a["rawValue"] == b["raw"]["value"] & mask, f"{name}: attribute {a['id']} rawValue {a['rawValue']}")
    hours = next((b["raw"]["value"] for b in theirs if b["id"] == 9), None)
    check(drive["powerOnHours"] == hours, f"{name}: power-on hours {drive['powerOnHours']}")
    # QEMU reports 190 only, which is not a temperature the monitor reads.
    check(drive["temperature"] is None, f"{name}: no temperature attribute, temperature null")
    check(drive["powerMode"] == "active", f"{name}: CHECK POWER MODE answered active ({drive['powerMode']})")

    # The verdict against smartctl's own reading of the thresholds, and the
    # four counts in the low 16 bits of their raw values.
    failed = [b.get("when_failed", "") for b in theirs]
    counted = [b["raw"]["value"] & 0xFFFF for b in theirs if b["id"] in (5, 196, 197, 198)]
    verdict = "bad" if "now" in failed else "caution" if "past" in failed or any(counted) else "good"
    check(drive["health"] == verdict, f"{name}: health {drive['health']} ({'; '.join(drive['healthReasons'])}),"
          f" smartctl says {verdict}")


# Each field of taruk's "nvme" object, smartctl's name for it (its temperature
# is in degrees) and nvme-cli's (128-bit counters come as strings).
NVME_FIELDS = [
    ("criticalWarning", "critical_warning", "critical_warning"),
    ("compositeTemperatureKelvin", "temperature", "temperature"),
    ("availableSpare", "available_spare", "avail_spare"),
    ("availableSpareThreshold", "available_spare_threshold", "spare_thresh"),
    ("percentageUsed", "percentage_used", "percent_used"),
    ("enduranceGroupWarning", None, "endurance_grp_critical_warning_summary"),
    ("dataUnitsRead", "data_units_read", "data_units_read"),
    ("dataUnitsWritten", "data_units_written", "data_units_written"),
    ("hostReadCommands", "host_reads", "host_read_commands"),
    ("hostWriteCommands", "host_writes", "host_write_commands"),
    ("controllerBusyTime", "controller_busy_time", "controller_busy_time"),
    ("powerCycles", "power_cycles", "power_cycles"),
    ("powerOnHours", "power_on_hours", "power_on_hours"),
    ("unsafeShutdowns", "unsafe_shutdowns", "unsafe_shutdowns"),
    ("mediaErrors", "media_errors", "media_errors"),
    ("errorLogEntries", "num_err_log_entries", "num_err_log_entries"),
    ("warningTemperatureMinutes", "warning_temp_time", "warning_temp_time"),
    ("criticalTemperatureMinutes", "critical_comp_time", "critical_comp_time"),
]


def load_json(path):
    try:
        return json.loads(text(path))
    except json.JSONDecodeError:
        return {}


def check_identity(drive, peer, namespace, serial, size, name):
    check(drive.get("interface") == "nvme", f"{name}: interface {drive.get('interface')}")
    check(drive["serialNumber"].strip() == peer.get("serial_number") == serial, f"{name}: serial number")
    check(drive["model"].strip() == peer.get("model_name") == "QEMU NVMe Ctrl", f"{name}: model {drive['model'].strip()!r}")
    check(drive["firmware"].strip() == peer.get("firmware_version", "?"),
          f"{name}: firmware {drive['firmware'].strip()!r} (QEMU's version), smartctl {peer.get('firmware_version')!r}")
    check(namespace.get("user_capacity", {}).get("bytes") == size, f"{name}: smartctl sees {size} bytes")
    sector = namespace.get("logical_block_size", 512)
    cylinders = size // (255 * 63 * sector)
    check((drive["cylinders"], drive["tracksPerCylinder"], drive["sectorsPerTrack"], drive["bytesPerSector"])
          == (cylinders, 255, 63, sector), f"{name}: geometry {cylinders} x 255 x 63 x {sector}")
    check((drive["capacityGb"], drive["capacityMb"]) == windows_capacity(cylinders, 255, 63, sector),
          f"{name}: capacity {drive['capacityGb']} GB {drive['capacityMb']} MB from the geometry")
    degrees = peer.get("temperature", {}).get("current")
    check(drive["temperature"] == degrees == 50, f"{name}: temperature {drive['temperature']} C, smartctl {degrees} C")


def check_nvme(drive, peer, namespace, smart_log, identity):
    serial, size = identity
    name = f"drive {drive['index']} (NVMe {serial})"
    check_identity(drive, peer, namespace, serial, size, name)
    theirs = peer.get("nvme_smart_health_information_log", {})
    ours = drive.get("nvme", {})
    figures = []
    for field, smartctl_name, cli_name in NVME_FIELDS:
        by_smartctl = theirs.get(smartctl_name) if smartctl_name else None
        if field == "compositeTemperatureKelvin" and by_smartctl is not None:
            by_smartctl += 273
        by_cli = smart_log.get(cli_name)
        by_cli = int(by_cli) if by_cli is not None else None
        check(field in ours and ours[field] == by_cli and by_smartctl in (None, ours[field]),
              f"{name}: {field} taruk {ours.get(field)}, smartctl {by_smartctl}, nvme-cli {by_cli}")
        figures.append((field, ours.get(field), by_smartctl, by_cli))
    check(drive["powerOnHours"] == peer.get("power_on_time", {}).get("hours") == ours.get("powerOnHours"),
          f"{name}: work time {drive['powerOnHours']} h")
    rows = drive["attributes"]
    logged = [ours.get(f) for f, _, _ in NVME_FIELDS if f != "enduranceGroupWarning"][:15]
    check([a["id"] for a in rows] == list(range(1, 16)) and [int(a["raw"], 16) for a in rows] == logged,
          f"{name}: details rows 1-15 carry the log's values")
    passed = peer.get("smart_status", {}).get("passed")
    check(drive["health"] == ("good" if passed else "bad"),
          f"{name}: health {drive['health']} ({'; '.join(drive['healthReasons'])}), smartctl passed={passed}")
    return figures


def self_test_rows(log):
    return [(entry["type"], entry["status"], entry["powerOnHours"]) for entry in log or []]


def smartctl_self_test_rows(peer):
    # smartctl lists the log newest first, as taruk does; the type is the
    # subcommand and the status byte carries the status in its high nibble.
    kinds = {1: "short", 2: "extended", 3: "conveyance", 4: "selective", 0: "off-line"}
    table = peer.get("ata_smart_self_test_log", {}).get("standard", {}).get("table", [])
    return [(kinds.get(row["type"]["value"] & 0x7F, "vendor"), row["status"]["value"] >> 4, row["lifetime_hours"])
            for row in table]


def check_self_tests(r):
    """taruk --self-test against QEMU's disks, and the log it then reads against smartctl's."""
    outcomes = [
        ("1-short", 0, "short self-test started"),
        ("1-extended", 0, "extended self-test started"),
        ("1-conveyance", 1, "the drive does not offer a conveyance self-test"),
        ("1-abort", 1, "the drive refused to abort"),
        ("2-short", 0, "short self-test started"),
        ("0-short", 1, "self-tests are not supported by this NVMe drive"),
    ]
    for name, code, words in outcomes:
        out = text(r / f"selftest-{name}.out")
        check(exit_code(r / f"selftest-{name}.rc") == code and words in out,
              f"taruk --self-test {name.split('-')[1]} --drive {name.split('-')[0]}: exit {code}, {out.strip()!r}")
    out = text(r / "user/selftest.out")
    check(exit_code(r / "user/selftest.rc") == 1 and "only read answers reach this drive" in out,
          f"no self-test through the reader: {out.strip()!r}")
    report = load_json(r / "report-selftest.json")
    drives = {d["index"]: d for d in report.get("drives", [])}
    check(load_json(r / "user/report-selftest.json") == report != {},
          "the reader passes the self-test logs through: the unprivileged report equals the root one")
    expected = {1: [("extended", 0, 4660), ("short", 0, 4660)], 2: [("short", 0, 4660)]}
    for index, rows in expected.items():
        drive = drives.get(index, {})
        tests = drive.get("selfTests") or {}
        check(tests.get("supported") is True and tests.get("conveyance") is False and not tests.get("running"),
              f"drive {index}: short and extended offered, no conveyance, none running")
        check(self_test_rows(tests.get("log")) == rows, f"drive {index}: log {self_test_rows(tests.get('log'))}")
        check(drive.get("errorCount") == 0 and drive.get("health") == "good",
              f"drive {index}: error count {drive.get('errorCount')}, health {drive.get('health')}")
    nvme = drives.get(0, {})
    check((nvme.get("selfTests") or {}).get("supported") is False and (nvme.get("selfTests") or {}).get("log") is None,
          "the NVMe drive: self-tests not supported, no log asked for")
    check(nvme.get("errorCount") == (nvme.get("nvme") or {}).get("errorLogEntries", -1),
          "the NVMe drive's error count is its health log's error entries")
    peers = {}
    for path in sorted(r.glob("selftest-smartctl-*.json")):
        peer = load_json(path)
        peers[peer.get("serial_number")] = (path, peer)
    for index in expected:
        serial = drives.get(index, {}).get("serialNumber", "").strip()
        path, peer = peers.get(serial, (None, {}))
        ours = self_test_rows((drives[index].get("selfTests") or {}).get("log"))
        theirs = smartctl_self_test_rows(peer)
        check(bool(theirs) and ours == theirs, f"drive {index}: taruk's log {ours} is smartctl's {theirs}")
        errors = peer.get("ata_smart_error_log", {}).get("summary", {}).get("count")
        check(errors == drives[index].get("errorCount"), f"drive {index}: error count {errors} by smartctl too")
        if path:
            print(f"--- drive {index} ({path.stem[len('selftest-smartctl-'):]}): smartctl -l selftest -l error")
            print(text(path.with_suffix(".txt")).split("=== START OF READ SMART DATA SECTION ===")[-1].strip())
    print("--- taruk --report, after the self-tests (its self-test lines)")
    shown = False
    for line in text(r / "report-selftest.txt").splitlines():
        if line.startswith("HD"):
            print(line)
        shown = (shown or line.startswith("Self-test")) and not line.startswith("Error log")
        if shown or line.startswith("Error log"):
            print(line)


def report_section(report, device):
    """The block of a text report about one device (blocks end at a blank line)."""
    blocks = report.split("\n\n")
    return next((b.strip() for b in blocks if f"\nDevice: {device}\n" in b), "")


def check_scsi(r, taruk):
    """scsi_debug: its log pages in the report, as smartctl reads them, before
    and after the test set its failure-prediction bit."""
    s = r / "scsi"
    if (s / "skipped").exists():
        print("SKIP  the SCSI case: " + text(s / "skipped").strip())
        return
    device = text(s / "device").strip()
    if not check(device.startswith("/dev/sd"), f"scsi_debug's disk appeared: {device!r}"):
        return

    def scsi_drive(path):
        drives = load_json(path).get("drives", [])
        return next((d for d in drives if d.get("device") == device), {})

    peer = text(s / "smartctl.txt")
    drive = scsi_drive(s / "report.json")
    scsi = drive.get("scsi", {})
    check(drive.get("interface") == "scsi", f"{device}: interface {drive.get('interface')}")
    check(drive.get("model") == "Linux scsi_debug", f"{device}: model {drive.get('model')!r}")
    check(drive.get("temperature") == 38 and "Current Drive Temperature:     38 C" in peer,
          f"{device}: temperature {drive.get('temperature')} °C, as smartctl reads it")
    check(scsi.get("referenceTemperature") == 65 and "Drive Trip Temperature:        65 C" in peer,
          f"{device}: reference temperature {scsi.get('referenceTemperature')} °C, as smartctl reads it")
    check(drive.get("health") == "good" and "SMART Health Status: OK" in peer,
          f"{device}: health {drive.get('health')} {drive.get('healthReasons')}, smartctl OK")
    check(scsi_drive(s / "user-report.json") == drive, f"{device}: the same through taruk-smart-reader")
    replay = subprocess.run([taruk, "--report", "--json", "--replay", str(s / "capture")],
                            capture_output=True, text=True, timeout=60)
    replayed = next((d for d in json.loads(replay.stdout or "{}").get("drives", []) if d.get("scsi")), {})
    check({k: v for k, v in replayed.items() if k not in ("device", "index")} ==
          {k: v for k, v in drive.items() if k not in ("device", "index")},
          f"{device}: its capture replays to the same drive")

    # What scsi_debug offers of self-tests (page 10h listed or not) and of
    # its grown defect list, next to smartctl's reading.
    peer_tests = text(s / "smartctl-selftest.txt")
    started = text(s / "selftest-short.out").strip()
    if 0x10 in scsi.get("supportedPages", []):
        check(exit_code(s / "selftest-short.rc") == 0 and "short self-test started" in started,
              f"{device}: taruk --self-test short: {started}")
    else:
        check(exit_code(s / "selftest-short.rc") == 1 and "does not offer a short self-test" in started,
              f"{device}: no page 10h, no test sent: {started}")
    aborted = text(s / "selftest-abort.out").strip()
    check((exit_code(s / "selftest-abort.rc") == 0 and "self-test aborted" in aborted) or
          (exit_code(s / "selftest-abort.rc") == 1 and "the drive refused to abort" in aborted),
          f"{device}: SEND DIAGNOSTIC (abort) reached the disk: {aborted}")
    listed = re.search(r"Elements in grown defect list: (\d+)", peer_tests)
    check(scsi.get("grownDefects") == (int(listed.group(1)) if listed else None),
          f"{device}: grown defects {scsi.get('grownDefects')}, smartctl "
          f"{listed.group(1) if listed else 'gives no count'}")
    print(f"--- {device}: taruk --self-test short\n{started}\n--- smartctl -l selftest -l defects\n"
          f"{peer_tests.strip()}")

    check(exit_code(s / "sg_wr_mode.rc") == 0, f"sg_wr_mode set the TEST bit: {text(s / 'sg_wr_mode.txt').strip()}")
    failing = scsi_drive(s / "report-failing.json")
    peer_failing = text(s / "smartctl-failing.txt")
    check(failing.get("health") == "bad" and
          "failure prediction threshold exceeded (ASC 5Dh/FFh)" in failing.get("healthReasons", []) and
          "FAILURE PREDICTION THRESHOLD EXCEEDED" in peer_failing,
          f"{device}: with the TEST bit, health {failing.get('health')} {failing.get('healthReasons')}, "
          "smartctl FAILURE PREDICTION THRESHOLD EXCEEDED")
    check("bad" in report_section(text(s / "report-failing.txt"), device), f"{device}: --report says bad")
    health = re.search(r'^taruk_drive_health\{[^}]*model="Linux scsi_debug"[^}]*verdict="bad"\} (\d)$',
                       text(s / "metrics-failing.prom"), re.M)
    check(health and health.group(1) == "1", f"{device}: the metrics say bad: {health and health.group(0)}")
    alarm = re.search(r"^taruk: notification: HD\d+: Linux scsi_debug health: bad \(failure prediction.*$",
                      text(s / "headless-failing.out"), re.M)
    check(alarm, f"{device}: the monitor's health alarm spoke: {alarm and alarm.group(0)}")
    stopped = scsi_drive(s / "report-stopped.json")
    check(stopped.get("powerMode") == "standby" and stopped.get("model") == "Linux scsi_debug",
          f"{device}: stopped, REQUEST SENSE says so: power mode {stopped.get('powerMode')} "
          f"({text(s / 'sg_start.txt').strip()}; smartctl -n standby: {text(s / 'smartctl-stopped.txt').strip()[-200:]})")
    for name, ours, theirs in (("before", "report.txt", "smartctl.txt"),
                               ("with the TEST bit", "report-failing.txt", "smartctl-failing.txt")):
        print(f"--- {device} {name}: taruk --report")
        print(report_section(text(s / ours), device))
        print(f"--- {device} {name}: smartctl -a")
        print(text(s / theirs).strip())
    print(f"SCSI case in the guest: {text(s / 'case.ms').strip()} ms")


def peer_serial(folder, device):
    """The serial smartctl -i gave for DEVICE (an NVMe namespace: its controller)."""
    name = re.sub(r"^(nvme\d+)n\d+$", r"\1", device.rsplit("/", 1)[-1])
    return load_json(folder / f"smartctl-{name}.json").get("serial_number")


def check_every_drive(u, report, name):
    """Every drive of the late guest: listed, and each id carries the serial
    smartctl -i reads from the same device."""
    drives = report.get("drives", [])
    check(len(drives) >= 8, f"{name}: {len(drives)} drives listed, at least 8")
    for d in drives:
        serial = peer_serial(u, d.get("device", ""))
        check(bool(serial) and d.get("id", "").endswith("_" + serial) and d["serialNumber"].strip() == serial,
              f"{name}: {d.get('device')} id {d.get('id')}, smartctl -i says serial {serial}")
    return {d["serialNumber"].strip(): d for d in drives}


def check_usb(r, usbs, trace_path):
    """Disks behind QEMU's USB bridges: the bridge named, the refused
    pass-through reported cleanly with the SCSI identity and size, each
    bridge probed once per run however many passes the run makes."""
    u = r / "usb"
    print("guest block devices, late:", " ".join(text(u / "block-devices.txt").split()))
    gtest = text(u / "gtest.txt")
    check(exit_code(u / "gtest.rc") == 0 and "FAILED" not in gtest, "USB device tests inside the guest pass")
    if exit_code(u / "gtest.rc") != 0:
        print(gtest[-3000:])
    for line in gtest.splitlines():
        if "three passes" in line:
            print("  " + line)
    report = load_json(u / "report.json")
    user = load_json(u / "user-report.json")
    by_serial = check_every_drive(u, report, "every drive as root")
    user_serials = {d["serialNumber"].strip(): d for d in user.get("drives", [])}
    report_text = text(u / "report.txt")
    for serial, bridge_id, driver, size in usbs:
        drive = by_serial.get(serial, {})
        name = f"USB disk {serial} ({drive.get('device')})"
        peer = load_json(u / f"smartctl-{drive.get('device', '/x').rsplit('/', 1)[-1]}.json")
        bridge = drive.get("usbBridge") or {}
        check(drive.get("interface") == "scsi" and drive.get("model", "").split() == ["QEMU", "QEMU", "HARDDISK"],
              f"{name}: read through SCSI as {drive.get('model')!r}")
        check(bridge == {"id": bridge_id, "release": bridge.get("release"), "driver": driver, "passesSmart": False},
              f"{name}: bridge {bridge}")
        check(peer.get("user_capacity", {}).get("bytes") == int(size), f"{name}: smartctl sees {size} bytes")
        cylinders = int(size) // (255 * 63 * 512)
        check((drive.get("capacityGb"), drive.get("capacityMb")) == windows_capacity(cylinders, 255, 63, 512),
              f"{name}: capacity {drive.get('capacityGb')} GB {drive.get('capacityMb')} MB")
        check(drive.get("health") == "unknown", f"{name}: health {drive.get('health')}")
        check(f"S.M.A.R.T.: this USB bridge does not pass S.M.A.R.T. commands ({bridge_id})" in report_text,
              f"{name}: the text report says the bridge does not pass S.M.A.R.T. commands")
        check((user_serials.get(serial, {}).get("usbBridge") or {}).get("id") == bridge_id,
              f"{name}: through the reader too")
        device = drive.get("device", "/x")
        print(f"--- {device} behind {bridge_id} ({driver}): taruk --report")
        print(report_section(report_text, device))
        print(f"--- {device}: smartctl -a")
        print(text(u / f"smartctl-a-{device.rsplit('/', 1)[-1]}.txt").strip())
    # Six runs reach the USB disks (three reports, the device tests' three
    # passes as root and three through the reader, a capture): one probe
    # each, one 16-byte and one 12-byte ATA PASS-THROUGH per disk and run,
    # never one per pass.
    commands = [line.split(" command ")[1].split()[0] for line in text(pathlib.Path(trace_path)).splitlines()
                if "scsi_req_parsed" in line and " command " in line]
    expected = 6 * len(usbs)
    check(commands.count("133") == expected and commands.count("161") == expected,
          f"QEMU saw {commands.count('133')} ATA PASS-THROUGH(16) and {commands.count('161')} (12), "
          f"{expected} each: one probe per bridge and run")
    return by_serial


def check_second_boot(second, first):
    """The second boot moved the identities between the ports: each id
    follows its serial, not its place."""
    check(exit_code(second / "report.rc") in (None, 0), "second boot: report ran")
    report = load_json(second / "report.json")
    moved = 0
    for d in report.get("drives", []):
        serial = d["serialNumber"].strip()
        before = first.get(serial)
        if not before:
            continue
        check(d.get("id") == before.get("id") and d.get("serialNumber") == before.get("serialNumber"),
              f"second boot: {serial} keeps id {d.get('id')} (was {before.get('id')}) at {d.get('device')}")
        check(serial == peer_serial(second, d.get("device", "")),
              f"second boot: smartctl -i on {d.get('device')} says {serial} too")
        moved += d.get("device") != before.get("device")
    check(moved == 4, f"second boot: {moved} drives found on another device than before, 4 expected")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("results", type=pathlib.Path)
    parser.add_argument("taruk")
    parser.add_argument("--expect", action="append", default=[])
    parser.add_argument("--nvme", required=True)
    parser.add_argument("--usb", action="append", default=[])
    parser.add_argument("--scsi-trace")
    parser.add_argument("--second", type=pathlib.Path)
    args = parser.parse_args()
    nvme_serial, nvme_size = args.nvme.split("|")
    nvme_identity = (nvme_serial, int(nvme_size))
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
    check([d["index"] for d in drives] == [0, 1, 2],
          "drives 0 (NVMe, first in /sys/block), 1 and 2 present; the optical drive takes no number and "
          "the virtio disk (3) is not present")
    # Each id carries the serial number the drive reports (compared with
    # smartctl's below), in the /dev/disk/by-id form.
    for d in drives:
        serial = "_".join(d["serialNumber"].split())
        check(isinstance(d.get("id"), str) and d["id"].startswith(d["interface"] + "-") and
              d["id"].endswith("_" + serial), f"drive {d['index']}'s id {d.get('id')} carries its serial {serial}")
    nvme_peer = load_json(r / "nvme-smartctl.json")
    nvme_namespace = load_json(r / "nvme-smartctl-namespace.json")
    smart_log = load_json(r / "nvme-smart-log.json")
    check(smart_log == load_json(r / "nvme-smart-log-after.json") != {},
          "nvme-cli reads the same log before and after taruk's reads")
    if check(bool(drives) and drives[0].get("interface") == "nvme", "drive 0 is the NVMe drive"):
        figures = check_nvme(drives.pop(0), nvme_peer, nvme_namespace, smart_log, nvme_identity)
        print(f"{'field':28} {'taruk':>6} {'smartctl':>8} {'nvme-cli':>8}")
        for field, ours, by_smartctl, by_cli in figures:
            print(f"{field:28} {ours!s:>6} {by_smartctl!s:>8} {by_cli!s:>8}")
    for drive in drives:
        serial = drive["serialNumber"].strip()
        if check(serial in identities and serial in peers, f"drive {drive['index']} is a known disk ({serial})"):
            check_drive(drive, peers[serial], identities[serial])
    report_lines = text(r / "report.txt")
    check("/dev/vda: not an ATA drive" in report_lines, "--report says why /dev/vda is not read")
    problem_lines = "\n".join(line for line in report_lines.splitlines() if not line.startswith("Device: "))
    check("/dev/sd" not in problem_lines and "/dev/nvme" not in problem_lines,
          "--report has nothing to say against the hard disks and the NVMe drive")

    # Captures, and their replay on this machine.
    check(exit_code(r / "capture.rc") == 0, "taruk --capture exits 0")
    captures = sorted(p.name for p in (r / "capture").glob("drive*.capture"))
    check(captures == ["drive0.capture", "drive1.capture", "drive2.capture", "drive3.capture"],
          f"a capture for every drive that opens: {captures}")
    check("earlier run" not in text(r / "capture/drive3.capture"), "the stale drive3.capture is replaced")
    check("interface nvme" in text(r / "capture/drive0.capture"), "the NVMe drive's capture says so")
    check("device-map" not in text(r / "capture/drive3.capture"), "the virtio disk's capture has no device map")
    replay = subprocess.run([args.taruk, "--report", "--json", "--replay", str(r / "capture")],
                            capture_output=True, text=True, timeout=60)
    # A replayed drive's device is its capture's name; all else is the same.
    def without_devices(report_json):
        drives = json.loads(report_json)["drives"]
        return [{k: v for k, v in d.items() if k != "device"} for d in drives]
    check(replay.returncode == 0 and without_devices(replay.stdout) == without_devices(report_text),
          "the captures replay to the same report")

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
    for n in (0, 1, 2, 3):
        check(exit_code(u / f"reader-{n}.rc") == 0 and
              without_comments(text(u / f"reader-{n}.out")) == without_comments(text(r / f"capture/drive{n}.capture")),
              f"taruk-smart-reader {n} prints drive{n}'s capture")
    check("/dev/vda: not an ATA drive" in text(u / "reader-3.err"), "the reader says why the virtio disk is not read")
    # The reader takes drive numbers 0 to 999; 1000 is beyond them.
    check(exit_code(u / "reader-1000.rc") == 2 and text(u / "reader-1000.out") == "",
          "taruk-smart-reader 1000: usage error, exit 2, nothing printed")

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

    # No reader at all: the NVMe drive from sysfs, identity and temperature
    # only; the ATA disks cannot be read.
    alone = load_json(u / "noreader-report.json").get("drives", [])
    check(exit_code(u / "noreader-report.rc") == 0 and [d["index"] for d in alone] == [0],
          f"with no reader, only the NVMe drive shows: {[d['index'] for d in alone]}")
    if alone:
        name = "drive 0 with no reader"
        check_identity(alone[0], nvme_peer, nvme_namespace, nvme_serial, int(nvme_size), name)
        check(alone[0]["health"] == "unknown" and "nvme" not in alone[0],
              f"{name}: health {alone[0]['health']}, no health log")

    # STANDBY IMMEDIATE sent to the AHCI disk: what QEMU reports afterwards,
    # by smartctl and by taruk, which must agree.
    peer = text(r / "standby-check.txt")
    peer_mode = "standby" if "STANDBY mode" in peer else "active" if "ACTIVE or IDLE" in peer else "unknown"
    try:
        after = json.loads(text(r / "report-after-standby.json"))["drives"][1]["powerMode"]
    except (json.JSONDecodeError, KeyError, IndexError):
        after = "no report"
    check(after == peer_mode != "unknown",
          f"after STANDBY IMMEDIATE taruk reports {after}, smartctl {peer_mode}")
    print(f"after STANDBY IMMEDIATE QEMU still reports: {peer_mode}")
    for name in captures[1:3]:
        check("power-mode 0 0xff" in text(r / "capture" / name), f"{name} records the power mode")

    check_self_tests(r)
    check_scsi(r, args.taruk)
    if args.usb:
        first = check_usb(r, [u.split("|") for u in args.usb], args.scsi_trace)
        if args.second:
            check_second_boot(args.second, first)

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
