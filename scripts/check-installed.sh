#!/usr/bin/env bash
# Installs the Debian package on a bare Debian 12 system and runs the viewer
# as installed, on a virtual display: notice, Return, window, Escape, exit
# status 0. Runs as root with no display of its own; it changes the system
# (packages), so run it in a scratch root or container, not on a desktop.
# Usage: scripts/check-installed.sh paraboloid_VERSION_ARCH.deb
set -euo pipefail

deb="${1:?usage: $0 paraboloid_VERSION_ARCH.deb}"
case "$deb" in */*) ;; *) deb="./$deb" ;; esac
export DEBIAN_FRONTEND=noninteractive
start=$SECONDS
fail() { echo "check-installed: $*" >&2; exit 1; }

# The package with what it depends on and recommends, as apt installs it.
apt-get update -qq
apt-get install -y -qq "$deb" >/dev/null
# The check's own tools come next and without their recommendations, but
# xvfb depends on libgl1: first make sure the package brought the OpenGL
# libraries that SDL loads and Mesa's software driver, and the notice's fonts.
viewer=$(command -v paraboloid) || fail "paraboloid is not on PATH"
! ldd "$viewer" | grep 'not found' || fail "libraries missing"
for lib in libGL.so.1 libEGL.so.1; do
  ldconfig -p | grep "$lib" >/dev/null || fail "$lib is not installed"
done
compgen -G '/usr/lib/*/dri/swrast_dri.so' >/dev/null || fail "Mesa's software driver is not installed"
dpkg-query -W -f='${Status}' xfonts-base | grep 'install ok installed' >/dev/null || fail "no X core fonts"
apt-get install -y -qq --no-install-recommends xvfb xdotool >/dev/null
echo "installed in $((SECONDS - start)) s"

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
# Prints the visible window whose title matches $1.
window() { xdotool search --onlyvisible --name "$1" | head -n 1 | grep .; }
# Whether the viewer has ended (a child that ended stays a zombie until waited for).
ended() { [ ! -e "/proc/$viewer_pid" ] || grep '^[0-9]* ([^)]*) Z' "/proc/$viewer_pid/stat"; }
# Presses a key with the pointer over the window, as a person would.
press() {
  xdotool mousemove --window "$1" 20 20
  xdotool key "$2"
}

log=$(mktemp)
Xvfb :7 -screen 0 1280x1024x24 -nolisten tcp >"$log.xvfb" 2>&1 &
xvfb_pid=$!
viewer_pid=
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -f "$log" "$log.xvfb"
}
trap cleanup EXIT
export DISPLAY=:7
wait_for 10 xdotool getmouselocation || fail "Xvfb did not start: $(cat "$log.xvfb")"

paraboloid 2>"$log" &
viewer_pid=$!
wait_for 20 window '^soft by ' || fail "no notice; the viewer said: $(cat "$log")"
press "$(window '^soft by ')" Return
wait_for 20 window '^ paraboloid velkrin' || fail "no viewer window; the viewer said: $(cat "$log")"
press "$(window '^ paraboloid velkrin')" Escape
wait_for 10 ended || fail "still running after Escape"
status=0
wait "$viewer_pid" || status=$?
viewer_pid=
[ "$status" -eq 0 ] || fail "exit status $status; the viewer said: $(cat "$log")"
echo "notice, window, Escape: exit status 0 ($((SECONDS - start)) s in all)"
