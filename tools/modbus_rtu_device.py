#!/usr/bin/python3
"""A Modbus RTU device on a pseudo-terminal: Debian's python3-pymodbus serving
unit 1, whose holding registers 0 and 1 hold 1234 and 5678. Prints the path
of the terminal to map in Ports.ini (COM1=/dev/pts/N), then serves until it
is ended (or its standard input closes).

The server opens a pseudo-terminal of its own; a relay copies every byte
between it and the one printed, so the device behaves as one end of a null
modem cable. Try it with the hex view and the request
<0x01 03 00 00 00 02><0xC4 0B>: the answer is 01 03 04 04 D2 16 2E D5 46.
"""
import asyncio
import logging
import os
import pty
import select
import sys
import threading
import tty

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer

UNIT = 1
REGISTERS = [1234, 5678]


def relay(one, other):
    """Copies bytes both ways between two pty masters until either closes."""
    while True:
        ready, _, _ = select.select([one, other], [], [])
        for source in ready:
            target = other if source == one else one
            try:
                data = os.read(source, 4096)
            except OSError:
                return
            if not data:
                return
            os.write(target, data)


def end_when_stdin_closes():
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    logging.basicConfig(level=logging.WARNING)
    outside_master, outside = pty.openpty()
    inside_master, inside = pty.openpty()
    for slave in (outside, inside):
        tty.setraw(slave)
    threading.Thread(target=relay, args=(outside_master, inside_master), daemon=True).start()
    threading.Thread(target=end_when_stdin_closes, daemon=True).start()
    registers = ModbusSequentialDataBlock(0, REGISTERS)
    context = ModbusServerContext(
        slaves={UNIT: ModbusSlaveContext(hr=registers, zero_mode=True)}, single=False)
    print(os.ttyname(outside), flush=True)
    asyncio.run(StartAsyncSerialServer(context=context, framer=ModbusRtuFramer,
                                       port=os.ttyname(inside), baudrate=9600))


if __name__ == "__main__":
    main()
