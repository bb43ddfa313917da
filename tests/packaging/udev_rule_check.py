#!/usr/bin/env python3
"""Evaluates the receiver udev rule against example devices, as udev would match them.

Understands only the keys the rule may use; any other key fails the check rather than being
ignored, so a broadened rule cannot pass by accident."""
import fnmatch
import re
import sys

MATCH_KEYS = {"ACTION", "SUBSYSTEM", "KERNEL", "DEVPATH"}
TOKEN = re.compile(r'\s*([A-Z]+)\s*(==|!=|\+=|=)\s*"([^"]*)"\s*(,|$)')

USB = "/devices/pci0000:00/0000:00:14.0/usb1"
# (what, devpath, subsystem, action, granted)
DEVICES = [
    ("Unifying receiver, HID++ node", f"{USB}/1-2/1-2:1.2/0003:046D:C52B.0003/hidraw/hidraw2", "hidraw", "add", True),
    ("Unifying receiver, retriggered", f"{USB}/1-2/1-2:1.2/0003:046D:C52B.0003/hidraw/hidraw2", "hidraw", "change", True),
    ("second Unifying receiver behind a hub", f"{USB}/1-4/1-4.3/1-4.3:1.2/0003:046D:C532.001F/hidraw/hidraw11", "hidraw", "add", True),
    ("Bolt receiver, HID++ node", f"{USB}/1-1/1-1:1.2/0003:046D:C548.0006/hidraw/hidraw5", "hidraw", "add", True),
    ("nano receiver, HID++ node", f"{USB}/1-3/1-3:1.1/0003:046D:C534.0009/hidraw/hidraw7", "hidraw", "add", True),
    ("nano mouse receiver, HID++ node", f"{USB}/1-3/1-3:1.1/0003:046D:C52F.000A/hidraw/hidraw8", "hidraw", "add", True),
    ("keyboard paired to a Unifying receiver", f"{USB}/1-2/1-2:1.2/0003:046D:C52B.0003/0003:046D:4023.0004/hidraw/hidraw3", "hidraw", "add", False),
    ("keyboard paired to a Bolt receiver", f"{USB}/1-1/1-1:1.2/0003:046D:C548.0006/0003:046D:B378.0007/hidraw/hidraw6", "hidraw", "add", False),
    ("keyboard paired to a nano receiver", f"{USB}/1-3/1-3:1.1/0003:046D:C534.0009/0003:046D:4051.000B/hidraw/hidraw9", "hidraw", "add", False),
    ("Unifying receiver, keyboard interface (generic driver)", f"{USB}/1-2/1-2:1.0/0003:046D:C52B.0001/hidraw/hidraw0", "hidraw", "add", False),
    ("Bolt receiver, keyboard interface", f"{USB}/1-1/1-1:1.0/0003:046D:C548.0004/hidraw/hidraw3", "hidraw", "add", False),
    ("Bolt receiver, mouse interface", f"{USB}/1-1/1-1:1.1/0003:046D:C548.0005/hidraw/hidraw4", "hidraw", "add", False),
    ("nano receiver, keyboard interface", f"{USB}/1-3/1-3:1.0/0003:046D:C534.0008/hidraw/hidraw6", "hidraw", "add", False),
    ("Logitech wired keyboard", f"{USB}/1-5/1-5:1.2/0003:046D:C33C.000C/hidraw/hidraw10", "hidraw", "add", False),
    ("Logitech gaming receiver", f"{USB}/1-5/1-5:1.2/0003:046D:C539.000D/hidraw/hidraw12", "hidraw", "add", False),
    ("Logitech mouse over Bluetooth", "/devices/virtual/misc/uhid/0005:046D:B034.000E/hidraw/hidraw13", "hidraw", "add", False),
    ("another vendor's keyboard", f"{USB}/1-6/1-6:1.2/0003:045E:07A5.0010/hidraw/hidraw14", "hidraw", "add", False),
    ("Unifying receiver's USB interface", f"{USB}/1-2/1-2:1.2", "usb", "add", False),
    ("paired keyboard's input device", f"{USB}/1-2/1-2:1.2/0003:046D:C52B.0003/0003:046D:4023.0004/input/input9", "input", "add", False),
]


def matches(pattern, value):
    return any(fnmatch.fnmatchcase(value, alternative) for alternative in pattern.split("|"))


def parse(path):
    rules = []
    with open(path, encoding="utf-8") as file:
        for number, line in enumerate(file, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            tokens, position = [], 0
            while position < len(line):
                token = TOKEN.match(line, position)
                if not token:
                    sys.exit(f"{path}:{number}: cannot read {line[position:]!r}")
                key, op, value, _ = token.groups()
                if (key in MATCH_KEYS and op in ("==", "!=")) or (key, op) in {("TAG", "+="), ("GOTO", "="), ("LABEL", "=")}:
                    tokens.append((key, op, value))
                else:
                    sys.exit(f"{path}:{number}: {key}{op} is not understood by this check")
                position = token.end()
            rules.append(tokens)
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
                if value not in labels:
                    sys.exit(f"GOTO to missing label {value}")
                index = labels[value]
    return found


def main():
    rules = parse(sys.argv[1])
    failed = 0
    for what, devpath, subsystem, action, granted in DEVICES:
        device = {"ACTION": action, "SUBSYSTEM": subsystem, "DEVPATH": devpath, "KERNEL": devpath.rsplit("/", 1)[1]}
        if ("uaccess" in tags(rules, device)) != granted:
            failed += 1
            print(f"FAIL: {what} ({devpath}) should {'' if granted else 'not '}be granted")
    print(f"{len(DEVICES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
