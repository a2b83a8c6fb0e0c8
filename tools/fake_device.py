#!/usr/bin/env python3
"""A stand-in serial device on a pseudo-terminal, for trying Lintrova without
hardware. Prints the device path, then answers every telegram that ends with
ETX (0x03) or CR with an acknowledgement that echoes it.

With --numbers it also plays a sensor for the plot (View > Plot): ten times a
second a line such as "temp:21.53,hum:30.2,25.981" (two named values and a
plain one), the values wandering slowly."""
import array
import fcntl
import math
import os
import pty
import select
import sys
import termios
import time
import tty

numbers = "--numbers" in sys.argv[1:]
master, slave = pty.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
pending = b""
tick = 0
next_line = time.monotonic()
while True:
    wait = max(0.0, next_line - time.monotonic()) if numbers else 1.0
    ready, _, _ = select.select([master], [], [], wait)
    if numbers and time.monotonic() >= next_line:
        t = tick / 10
        line = "temp:%.2f,hum:%.1f,%.3f\n" % (21.5 + 2 * math.sin(t / 2), 30 + 4 * math.cos(t / 3),
                                              26 + 3 * math.sin(t * 1.3) * math.cos(t / 5))
        # Until a program opens the port, nobody reads: keep no more than a
        # few lines waiting, so that it starts with the present values.
        waiting = array.array("i", [0])
        fcntl.ioctl(slave, termios.FIONREAD, waiting)
        if waiting[0] > 256:
            termios.tcflush(slave, termios.TCIFLUSH)
        try:
            os.write(master, line.encode())
        except OSError:
            sys.exit(0)
        tick += 1
        next_line += 0.1
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
