#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Xvfb, talking to a
# fake device on a pseudo-terminal. Needs xvfb, xdotool, imagemagick, python3.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display

python3 tools/fake_device.py >"$work/device" &
sleep 0.5
device=$(head -1 "$work/device")

shoot() { # language file
  local data="$work/data-$1"
  mkdir -p "$data/Kavrel/Lintrova"
  printf '[PORTS]\r\nCOM1=%s\r\n' "$device" >"$data/Kavrel/Lintrova/Ports.ini"
  printf '[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nLanguage=%s\r\nWaitTime=100\r\nShowOptions=1\r\n' "$1" \
    >"$data/Kavrel/Lintrova/Settings.ini"
  printf '[SETTINGS]\r\nParam1=<STX>M01<ETX>\r\nParam2=<STX>S<ETX><195>\r\nParam3=AT<CR>\r\n' \
    >"$data/Kavrel/Lintrova/DefaultCommands.icf"
  XDG_DATA_HOME="$data" build/lintrova >/dev/null 2>&1 &
  local pid=$!
  xdotool search --sync --name Lintrova >/dev/null
  sleep 1
  xdotool mousemove 200 51 click 1
  xdotool type --delay 20 '<STX>Q17<ETX>'
  xdotool key Return
  sleep 0.6
  xdotool key F1
  sleep 0.6
  xdotool key F3
  sleep 0.6
  xdotool type --delay 20 '<STX>ABC<ETX>'
  import -window root -crop 712x552+0+0 "$out/$2"
  xdotool key Escape
  wait "$pid" || true
}
# The plot under the log, fed by the fake device playing a sensor for 20 s.
shoot_plot() { # language file
  local data="$work/plot-$1"
  python3 tools/fake_device.py --numbers >"$work/sensor-$1" &
  local sensor=$!
  sleep 0.5
  mkdir -p "$data/Kavrel/Lintrova"
  printf '[PORTS]\r\nCOM1=%s\r\n' "$(head -1 "$work/sensor-$1")" >"$data/Kavrel/Lintrova/Ports.ini"
  printf '[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nLanguage=%s\r\nWaitTime=20\r\nPlotView=1\r\n' "$1" \
    >"$data/Kavrel/Lintrova/Settings.ini"
  XDG_DATA_HOME="$data" build/lintrova >/dev/null 2>&1 &
  local pid=$!
  local window
  window=$(xdotool search --sync --onlyvisible --name Lintrova | head -1)
  sleep 20
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$out/$2"
  xdotool key Escape
  wait "$pid" || true
  kill "$sensor"
}
shoot 0 main-window-de.png
shoot 1 main-window-en.png
shoot_plot 1 plot-en.png
echo "screenshots written to $out/"
