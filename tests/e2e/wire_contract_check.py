#!/usr/bin/env python3
"""Talks to a running flitbar-virtual-receiver through the wire contract alone.

Every *.hid entry of a computer's directory is one vendor interface: an AF_UNIX SOCK_SEQPACKET
socket carrying one HID report per packet. Nothing here uses the project's code; only sockets,
the `ctl` subcommand and the control socket's JSON.

usage: wire_contract_check.py RECEIVER_EXECUTABLE RIG_FILE
"""
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def expect(actual, wanted, what):
    if actual != wanted:
        fail(f"{what}: expected {wanted!r}, got {actual!r}")


def long_report(*head):
    return bytes(head) + bytes(20 - len(head))


def interfaces(directory):
    return sorted(os.path.join(directory, name) for name in os.listdir(directory) if name.endswith(".hid"))


def open_interface(path):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    s.connect(path)
    s.settimeout(2.0)
    return s


def receive(s, timeout=2.0):
    s.settimeout(timeout)
    try:
        return s.recv(256)
    except socket.timeout:
        return None


def exchange(s, request):
    s.send(bytes(request))
    return receive(s)


def control(path, *words):
    c = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    c.connect(path)
    c.send(json.dumps(list(words)).encode())
    answer = json.loads(c.recv(1 << 20))
    c.close()
    return answer


def main():
    executable, rig = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="wire-contract-")
    world = os.path.join(root, "world")
    server = subprocess.Popen([executable, "serve", "--rig", rig, "--dir", world],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        banner = server.stdout.readline()
        if not banner.startswith("serving 3 computers"):
            fail("server did not start: " + banner + server.stderr.read())
        control_path = os.path.join(world, "control.sock")

        host1 = interfaces(os.path.join(world, "host1"))
        host2 = interfaces(os.path.join(world, "host2"))
        expect(len(host1), 1, "interfaces on host1")
        expect(len(host2), 1, "interfaces on host2")
        h1, h2 = open_interface(host1[0]), open_interface(host2[0])

        # A short HID++ 2.0 request is answered with a long report.
        expect(exchange(h1, [0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA]),
               long_report(0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA), "keyboard ping")
        expect(exchange(h1, [0x10, 0x01, 0x00, 0x0A, 0x18, 0x14, 0x00]),
               long_report(0x11, 0x01, 0x00, 0x0A, 0x05), "change-host feature index")
        expect(exchange(h1, [0x10, 0x01, 0x00, 0x0A, 0x21, 0x21, 0x00]),
               long_report(0x11, 0x01, 0x00, 0x0A, 0x00), "missing feature")
        # Empty slot and a device on another computer: short HID++ 1.0 error frames.
        expect(exchange(h1, [0x10, 0x04, 0x00, 0x1A, 0x00, 0x00, 0xAA]),
               bytes([0x10, 0x04, 0x8F, 0x00, 0x1A, 0x08, 0x00]), "empty slot")
        expect(exchange(h2, [0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xAA]),
               bytes([0x10, 0x02, 0x8F, 0x00, 0x1A, 0x09, 0x00]), "device on another host")
        # Unknown function: a HID++ 2.0 error frame.
        expect(exchange(h1, [0x10, 0x02, 0x05, 0x7A, 0x00, 0x00, 0x00]),
               long_report(0x11, 0x02, 0xFF, 0x05, 0x7A, 0x07), "unknown function")

        # Diverting the mouse's top button, then pressing it through ctl.
        expect(exchange(h1, long_report(0x11, 0x02, 0x07, 0x3A, 0x00, 0xC4, 0x03)),
               long_report(0x11, 0x02, 0x07, 0x3A, 0x00, 0xC4, 0x01), "divert answer")
        done = subprocess.run([executable, "ctl", "--dir", world, "click", "mouse", "0x00C4"],
                              capture_output=True, text=True)
        expect(done.returncode, 0, "ctl click status")
        expect(receive(h1), long_report(0x11, 0x02, 0x07, 0x00, 0x00, 0xC4), "press event")
        expect(receive(h1), long_report(0x11, 0x02, 0x07, 0x00), "release event")

        # Set current host: no answer; the link-lost notice comes on host1, the arrival on host2.
        h1.send(bytes([0x10, 0x01, 0x05, 0x1A, 0x01, 0x00, 0x00]))
        expect(receive(h1), bytes([0x10, 0x01, 0x41, 0x10, 0x41, 0x78, 0xB3]), "departure notice")
        expect(receive(h2), bytes([0x10, 0x01, 0x41, 0x10, 0x01, 0x78, 0xB3]), "arrival notice")
        expect(exchange(h2, [0x10, 0x01, 0x05, 0x0A, 0x00, 0x00, 0x00]),
               long_report(0x11, 0x01, 0x05, 0x0A, 0x03, 0x01, 0x00), "host info on host2")

        # Faults through the control socket's JSON: a silent device, then a malformed answer.
        expect(control(control_path, "fault", "silent-device", "mouse", "on"), {"ok": True}, "fault on")
        h1.send(bytes([0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xAA]))
        expect(receive(h1, 0.3), None, "silent device")
        expect(control(control_path, "fault", "clear"), {"ok": True}, "fault clear")
        expect(control(control_path, "fault", "malformed", "host1"), {"ok": True}, "malformed fault")
        expect(len(exchange(h1, [0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xAA])), 19, "malformed answer length")
        refused = control(control_path, "switch", "toaster", "1")
        expect(refused, {"ok": False, "error": "no device named toaster"}, "refused command")
        state = control(control_path, "state")["state"]
        expect(state["devices"][0]["computer"], "host2", "keyboard's computer in the state")

        h1.close()
        h2.close()
        server.send_signal(signal.SIGTERM)
        expect(server.wait(timeout=10), 0, "exit status after SIGTERM")
        expect(os.path.exists(os.path.join(world, "host1")), False, "host1 directory after shutdown")
        expect(os.path.exists(control_path), False, "control socket after shutdown")
    finally:
        if server.poll() is None:
            server.kill()
            server.wait()
    print("wire contract: ok")


if __name__ == "__main__":
    main()
