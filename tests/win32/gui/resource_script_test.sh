#!/bin/bash
# The Win32 resource script is made from the same res/ data the Qt windows
# read: every control of every dialog template keeps its id, kind and text,
# hidden controls stay hidden, the tray menu and the string table come along,
# and a style word the script does not know stops the build instead of being
# lost. Runs on Linux, with the maker built for Linux.
# Usage: resource_script_test.sh SOURCE_DIR MAKE_WIN32_RC
set -euo pipefail
source_dir=$(realpath "$1")
maker=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/icons"
touch "$work/icons/128.ico" "$work/icons/135.ico"
"$maker" "$source_dir/res" "$work/icons" "$source_dir/cmake/win32_taruk.manifest" "$work/taruk.rc"
rc=$work/taruk.rc

# Every control line of every template, from the JSON, against the script.
/usr/bin/python3 - "$source_dir/res" "$rc" <<'PY'
import json, pathlib, re, sys
res, rc = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]).read_text()
classes = {"pushbutton": "Button", "defpushbutton": "Button", "checkbox": "Button", "radiobutton": "Button",
           "groupbox": "Button", "static": "Static", "icon": "Static", "edit": "Edit",
           "updown": "msctls_updown32", "combobox": "ComboBox", "listview": "SysListView32"}
def rc_text(text):
    return "".join(c if ord(c) < 128 else "\\x%04x" % ord(c) for c in text.replace('"', '""'))
faults = []
for path in sorted((res / "dialogs").glob("*.json")):
    dialog = json.loads(path.read_text())
    block = re.search(r"^%d DIALOGEX 0, 0, %d, %d\n(.*?)^END$" % (dialog["id"], *dialog["size"]), rc, re.S | re.M)
    if not block:
        faults.append("%s: no DIALOGEX %d of its size" % (path.name, dialog["id"]))
        continue
    body = block.group(1)
    if 'CAPTION L"%s"' % rc_text(dialog["caption"]) not in body:
        faults.append("%s: caption lost" % path.name)
    lines = [l for l in body.splitlines() if l.startswith("    CONTROL")]
    if len(lines) != len(dialog["controls"]):
        faults.append("%s: %d controls, not %d" % (path.name, len(lines), len(dialog["controls"])))
        continue
    for control, line in zip(dialog["controls"], lines):
        x, y, w, h = control["rect"]
        text = str(control["icon"]) if control["kind"] == "icon" else 'L"%s"' % rc_text(control.get("text", ""))
        head = 'CONTROL %s, %d, "%s", ' % (text, control.get("id", -1), classes[control["kind"]])
        hidden = "hidden" in control.get("style", [])
        if head not in line or ", %d, %d, %d, %d" % (x, y, w, h) not in line:
            faults.append("%s: %s became %s" % (path.name, control, line.strip()))
        if hidden != ("NOT WS_VISIBLE" in line):
            faults.append("%s: control %s should%s be hidden" % (path.name, control.get("id"), "" if hidden else " not"))
menu = json.loads((res / "menu_136.json").read_text())
for item in menu["popups"][0]["items"]:
    want = "MENUITEM SEPARATOR" if item.get("separator") else 'MENUITEM L"%s", %d' % (item["text"], item["id"])
    if want not in rc:
        faults.append("menu 136: %s missing" % want)
for key, text in json.loads((res / "strings.json").read_text()).items():
    if '%s, L"%s"' % (key, rc_text(text)) not in rc:
        faults.append("string %s missing" % key)
for icon in (128, 135):
    if not re.search(r'^%d ICON ".*/%d\.ico"$' % (icon, icon), rc, re.M):
        faults.append("icon %d missing" % icon)
print("\n".join(faults) or "the resource script holds every template")
sys.exit(1 if faults else 0)
PY

# A style word with no Win32 meaning is refused, naming where it is.
cp -r "$source_dir/res" "$work/res"
sed -i 's/"style": \["right"\]/"style": ["rigth"]/' "$work/res/dialogs/main_102.json"
if "$maker" "$work/res" "$work/icons" "$source_dir/cmake/win32_taruk.manifest" "$work/bad.rc" 2>"$work/error"; then
  fail "an unknown style word was accepted"
fi
grep -q 'dialog 102 control 2: style "rigth"' "$work/error" || fail "the refusal does not say where: $(cat "$work/error")"
[ ! -e "$work/bad.rc" ] || fail "a refused template still wrote a script"
echo "an unknown style is refused"
