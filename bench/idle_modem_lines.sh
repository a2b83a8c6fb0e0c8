#!/bin/sh
# What reading the modem lines costs an idle program: its processor time over
# SECONDS (60) with COM1 a pseudo-terminal, once given modem lines by the
# benchmark's shim (the 100 ms TIOCMGET timer runs), once as it is (no modem
# lines: no timer), and once with no port open (COM1 names a device that is
# not there). The three runs go side by side.
#   bench/idle_modem_lines.sh [BUILD_DIR] [SECONDS]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
shim="$build/bench/pty_modem_shim.so"
[ -x "$build/lintrova" ] && [ -f "$shim" ] || { echo "build lintrova and pty_modem_shim first" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill $(cat "$work"/*.pid 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

start() { # NAME DEVICE PRELOAD
    home="$work/$1"
    mkdir -p "$home/Kavrel/Lintrova"
    printf '[PORTS]\r\nCOM1=%s\r\n' "$2" >"$home/Kavrel/Lintrova/Ports.ini"
    printf '[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nDTR=1\r\nLanguage=1\r\nWaitTime=100\r\n' \
        >"$home/Kavrel/Lintrova/Settings.ini"
    XDG_DATA_HOME="$home" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$3" "$build/lintrova" \
        >"$work/$1.out" 2>&1 &
    echo $! >"$work/$1.pid"
}

peer() { # NAME: a pseudo-terminal held open by a peer that prints its path
    python3 -c 'import os, pty, time
m, s = pty.openpty()
print(os.ttyname(s), flush=True)
time.sleep(100000)' >"$work/$1.pty" &
    echo $! >"$work/$1.peer.pid"
    while [ ! -s "$work/$1.pty" ]; do sleep 0.1; done
    cat "$work/$1.pty"
}

start lines "$(peer lines)" "$shim"
start pty "$(peer pty)" ""
start closed /dev/serial/by-id/lintrova-bench-absent ""
sleep 5 # started, port opened
for run in lines pty closed; do eval "t0_$run=$(ticks "$(cat "$work/$run.pid")")"; done
sleep "$seconds"
hz=$(getconf CLK_TCK)
for run in lines pty closed; do
    t1=$(ticks "$(cat "$work/$run.pid")")
    eval "t0=\$t0_$run"
    case $run in
    lines) label="device with modem lines open (timer runs)" ;;
    pty) label="pseudo-terminal open, no modem lines (no timer)" ;;
    *) label="no port open" ;;
    esac
    awk -v label="$label" -v t="$((t1 - t0))" -v hz="$hz" -v s="$seconds" \
        'BEGIN { printf "%-48s %6.2f s CPU in %d s = %.3f %% of a core\n", label, t / hz, s, 100 * t / hz / s }'
done
