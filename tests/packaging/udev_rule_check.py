#!/usr/bin/env python3
"""Evaluates the receiver udev rule against example devices as udev matches them. Keys it does not
understand fail the check rather than being ignored, so a broadened rule cannot pass by accident."""
import fnmatch
import re
import sys

MATCH_KEYS = {"ACTION", "SUBSYSTEM", "KERNEL", "DEVPATH"}
ASSIGNMENTS = {("TAG", "+="), ("GOTO", "="), ("LABEL", "=")}
TOKEN = re.compile(r'\s*([A-Z]+)\s*(==|!=|\+=|=)\s*"([^"]*)"\s*')
LINE = re.compile(f"(?:{TOKEN.pattern},)*{TOKEN.pattern}")

USB = "/devices/pci0000:00/0000:00:14.0/usb1/"
# (what, device path, relative ones below the USB host controller, granted)
DEVICES = [
    ("Unifying receiver, HID++ node", "1-2/1-2:1.2/0003:046D:C52B.0003/hidraw/hidraw2", True),
    ("Bolt receiver, HID++ node", "1-1/1-1:1.2/0003:046D:C548.0006/hidraw/hidraw5", True),
    ("nano receiver, HID++ node", "1-3/1-3:1.1/0003:046D:C534.0009/hidraw/hidraw7", True),
    ("keyboard paired to a Unifying receiver", "1-2/1-2:1.2/0003:046D:C52B.0003/0003:046D:4023.0004/hidraw/hidraw3", False),
    ("keyboard paired to a Bolt receiver", "1-1/1-1:1.2/0003:046D:C548.0006/0003:046D:B378.0007/hidraw/hidraw6", False),
    ("Unifying receiver, keyboard interface", "1-2/1-2:1.0/0003:046D:C52B.0001/hidraw/hidraw0", False),
    ("Bolt receiver, mouse interface", "1-1/1-1:1.1/0003:046D:C548.0005/hidraw/hidraw4", False),
    ("nano receiver, keyboard interface", "1-3/1-3:1.0/0003:046D:C534.0008/hidraw/hidraw6", False),
    ("Logitech wired keyboard", "1-5/1-5:1.2/0003:046D:C33C.000C/hidraw/hidraw10", False),
    ("Logitech mouse over Bluetooth", "/devices/virtual/misc/uhid/0005:046D:B034.000E/hidraw/hidraw13", False),
]


def matches(pattern, value):
    return any(fnmatch.fnmatchcase(value, alternative) for alternative in pattern.split("|"))


def parse(path):
    rules = []
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if not LINE.fullmatch(line):
            sys.exit(f"{path}:{number}: cannot read {line!r}")
        rule = TOKEN.findall(line)
        for key, op, _ in rule:
            if not (key in MATCH_KEYS and op in ("==", "!=") or (key, op) in ASSIGNMENTS):
                sys.exit(f"{path}:{number}: {key}{op} is not understood by this check")
        rules.append(rule)
    return rules


def tags(rules, device):
    found, index = set(), 0
    labels = {value: i for i, rule in enumerate(rules) for key, _, value in rule if key == "LABEL"}
    while index < len(rules):
        rule, index = rules[index], index + 1
        conditions = [(k, op, v) for k, op, v in rule if k in MATCH_KEYS]
        if not all(matches(v, device[k]) == (op == "==") for k, op, v in conditions):
            continue
        for key, _, value in rule:
            if key == "TAG":
                found.add(value)
            elif key == "GOTO":
                index = labels[value]
    return found


def main():
    rules = parse(sys.argv[1])
    failed = 0
    for what, path, granted in DEVICES:
        devpath = path if path.startswith("/") else USB + path
        # udevadm trigger replays "change"; the grant must not depend on the event.
        for action in ("add", "change"):
            device = {"ACTION": action, "SUBSYSTEM": "hidraw", "DEVPATH": devpath, "KERNEL": devpath.split("/")[-1]}
            if ("uaccess" in tags(rules, device)) != granted:
                failed += 1
                print(f"FAIL: {what} ({devpath}, {action}) should {'' if granted else 'not '}be granted")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
