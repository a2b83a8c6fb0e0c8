#!/usr/bin/env python3
"""A stand-in serial device on a pseudo-terminal, for trying Lintrova without
hardware. Prints the device path, then answers every telegram that ends with
ETX (0x03) or CR with an acknowledgement that echoes it."""
import os
import pty
import select
import sys
import tty

master, slave = pty.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
pending = b""
while True:
    ready, _, _ = select.select([master], [], [], 1.0)
    if not ready:
        continue
    try:
        data = os.read(master, 4096)
    except OSError:
        sys.exit(0)
    pending += data
    while True:
        ends = [i for i in (pending.find(b"\x03"), pending.find(b"\r")) if i >= 0]
        if not ends:
            break
        end = min(ends) + 1
        telegram, pending = pending[:end], pending[end:]
        body = telegram.strip(b"\x02\x03\r")
        os.write(master, b"\x06\x02" + body + b" OK\x03\r\n")
