#!/usr/bin/env bash
# The package's checks, run by tools/test.sh when CI is set: builds the
# package, validates it, installs it into this system, runs the installed
# program as an ordinary user with a fresh home under Xvfb, and removes the
# package again. It changes the system (a package, a user for the run): meant
# for throwaway CI machines, as root. With --no-build it checks the package
# tools/package.sh built last.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(lintian desktop-file-utils appstream xvfb xdotool)
tools/install-missing.sh "${packages[@]}"

step() { printf '\n== %s\n' "$*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

user=lintrova-check
work=$(mktemp -d)
program=
xvfb_pid=
cleanup() {
  for pid in $program $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  sleep 0.5
  if id "$user" >/dev/null 2>&1; then userdel "$user" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${1:-}" != --no-build ]; then
  step "Building the package"
  tools/package.sh
fi
version=$(dpkg-parsechangelog -S Version)
deb=build/lintrova_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "$deb was not built"

step "lintian (no errors; warnings and notes are listed)"
status=0
# lintian leaves files in TMPDIR; they go with the work folder.
TMPDIR=$work lintian --fail-on error --info "$deb" >"$work/lintian" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian" || true
[ "$status" -eq 0 ] || fail "lintian found errors"

step "desktop-file-validate and appstreamcli validate on the packaged files"
dpkg-deb -x "$deb" "$work/content"
desktop=$work/content/usr/share/applications/de.kavrel.Lintrova.desktop
metainfo=$work/content/usr/share/metainfo/de.kavrel.Lintrova.metainfo.xml
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $report"
! grep -E '^[EWI]: ' <<<"$report" || fail "appstreamcli reports issues"
echo "both clean"

step "Installing with dpkg -i"
if ! dpkg -i "$deb"; then
  echo "Installing the missing dependencies"
  DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq
fi
[ "$(dpkg-query -W -f='${Status}' lintrova)" = "install ok installed" ] ||
  fail "lintrova is not installed"
dpkg -L lintrova | sort >"$work/files"

step "The installed program without a display"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/lintrova --version)
[ "$out" = "Lintrova ${version%-*}" ] || fail "--version printed '$out'"
echo "$out"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/lintrova --help >"$work/help"
head -n 1 "$work/help" | grep -q '^Usage: lintrova' || fail "--help printed: $(cat "$work/help")"
status=0
/usr/bin/lintrova --no-such-option 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "an unknown option gave status $status"
echo "--help and a refused option answer as they should"

step "A first start under Xvfb as an ordinary user with a fresh home"
home=$work/home
userdel "$user" 2>/dev/null || true
useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user"
chmod 755 "$work"
install -d -o "$user" -m 700 "$home" "$work/runtime"
# A simple command, so that $! of a background run is runuser's own id.
as_user=(runuser -u "$user" -- env -i HOME="$home" XDG_RUNTIME_DIR="$work/runtime"
         PATH=/usr/bin:/bin LANG=C.UTF-8)
display=:70
while [ -e "/tmp/.X${display#:}-lock" ] || [ -e "/tmp/.X11-unix/X${display#:}" ]; do
  display=:$((${display#:} + 1))
done
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
"${as_user[@]}" Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
"${as_user[@]}" DISPLAY="$display" /usr/bin/lintrova >"$work/program.log" 2>&1 &
program=$!  # runuser, which passes signals on and ends with the program
data=$home/.local/share/Kavrel/Lintrova
for _ in $(seq 300); do [ -f "$data/Settings.ini" ] && break; sleep 0.1; done
[ -f "$data/Settings.ini" ] || fail "no Settings.ini in $data; program said: $(cat "$work/program.log")"
cmp "$data/Settings.ini" /usr/share/lintrova/Settings.ini || fail "Settings.ini is no copy of the template"
[ "$(stat -c '%U %a' "$data")" = "$user 700" ] || fail "the data folder is $(stat -c '%U %a' "$data")"
[ "$(stat -c '%U' "$data/Settings.ini")" = "$user" ] || fail "Settings.ini belongs to someone else"
echo "the template was copied into $data, the user's own folder"
# Esc closes a message box (a serial port the user may not open) and then
# ends the program, which saves its files.
for _ in $(seq 60); do
  kill -0 "$program" 2>/dev/null || break
  for window in $("${as_user[@]}" DISPLAY="$display" xdotool search --onlyvisible --class Lintrova 2>/dev/null); do
    "${as_user[@]}" DISPLAY="$display" xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
  done
  sleep 0.5
done
if kill -0 "$program" 2>/dev/null; then
  fail "the program did not end on Esc; it said: $(cat "$work/program.log")"
fi
wait "$program" || fail "the program ended with status $?: $(cat "$work/program.log")"
program=
[ -f "$data/DefaultCommands.icf" ] || fail "the program saved no DefaultCommands.icf"
grep -q '^WaitTime=100' "$data/Settings.ini" || fail "the program did not save Settings.ini"
echo "the program ended on Esc and saved its files"
kill "$xvfb_pid" 2>/dev/null || true
xvfb_pid=

step "Removing the package"
dpkg --purge lintrova
state=$(dpkg-query -W -f='${db:Status-Status}' lintrova 2>/dev/null || true)
[ -z "$state" ] || [ "$state" = not-installed ] || fail "the package is still $state"
left=()
while read -r path; do
  # Folders such as /usr/share/icons/hicolor/16x16/apps belong to others too.
  if [ -e "$path" ] && ! [ -d "$path" ]; then left+=("$path"); fi
done <"$work/files"
for folder in /usr/share/lintrova /usr/share/doc/lintrova; do
  [ -e "$folder" ] && left+=("$folder")
done
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "nothing of the package is left"
