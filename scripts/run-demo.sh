#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds and runs kavlor. With an X display it
# simply runs there (arguments go to kavlor; add --toggle to see it at once).
# Without one it brings up a private Xvfb with openbox, shows the window,
# runs a command in it, opens a second tab with a coloured ls and saves a
# screenshot to out/kavlor-demo.png (or to $DEMO_SCREENSHOT when set; the
# README's docs/screenshot.png is made this way).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --program
scripts/build.sh --program

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/src/kavlor "$@"
fi

mkdir -p out
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x720x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r -t 20 num <&3
export DISPLAY=":$num"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
kpid=
trap 'kill $kpid $wm $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done

build/src/kavlor --toggle -w 90% -h 60% -b thick -bg 1c2333 -ah false -sh /bin/bash "$@" &
kpid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --class kavlor >/dev/null 2>&1 && break; sleep 0.1; done
if ! kill -0 $kpid 2>/dev/null; then
  echo "kavlor did not stay up (another kavlor running? --toggle then toggles that one)" >&2
  exit 1
fi
sleep 2  # let the shell print its prompt before typing
# xdotool may lose the first key it sends; a leading blank is harmless.
xdotool type --delay 20 ' echo "hello from kavlor on $DISPLAY"; uname -a'
xdotool key Return
sleep 1
# A second tab (Control+Shift+T) with a coloured listing.
xdotool key ctrl+shift+t
sleep 2
xdotool type --delay 20 ' cd; ls --color=always -CF /bin/sh /usr /etc/X11'
xdotool key Return
sleep 1
shot=${DEMO_SCREENSHOT:-out/kavlor-demo.png}
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo
echo "kavlor ran in a private X server ($DISPLAY); screenshot: $(realpath "$shot")"
