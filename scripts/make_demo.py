#!/usr/bin/env python3
"""Writes demo.prl: a running light over the eight outputs, then all on and
all off, as the program's own file layout (see sequencer/program_file.h).
With --loop the program plays in a loop."""
import struct
import sys


def text(s):
    b = s.encode("cp1252")
    return struct.pack("<H", len(b)) + b


def main(path, loop=False):
    steps = []
    for i in range(8):
        steps.append((True, 1 << i, 150, "Uscita %d accesa" % i))
    steps.append((True, 0xFF, 400, "Tutte le uscite accese"))
    steps.append((True, 0x00, 400, "Tutte le uscite spente"))
    head = text("Programma dimostrativo di Quelmar")
    for i in range(8):
        head += text("Rel\xe8 %d" % (i + 1))
    head += struct.pack("<hhhh", 1, len(steps), -1 if loop else 0, -1)
    body = b""
    for n in range(2048):
        on, bits, ms, descr = steps[n] if n < len(steps) else (False, 0, 0, "")
        body += struct.pack("<hBi", -1 if on else 0, bits, ms) + text(descr)
    with open(path, "wb") as f:
        f.write(head + body)


if __name__ == "__main__":
    main(sys.argv[1], "--loop" in sys.argv[2:])
