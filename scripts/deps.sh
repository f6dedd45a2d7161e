#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the Debian packages kavlor needs, only those that are missing:
# with --program what builds and runs the program and its demo without a
# display, otherwise also everything the tests and benchmarks use.
set -euo pipefail

# Building and running the program.
program=(
  build-essential cmake pkg-config
  libgtk2.0-dev libvte-dev libx11-dev libxinerama-dev libxrandr-dev librsvg2-bin
)
# The demo without a display: a private X server, a window manager, typing
# into the window and a screenshot.
demo=(xvfb openbox xdotool x11-utils imagemagick)
# The test suite, its validators and window managers, the benchmarks.
tests=(
  libxtst-dev x11-xkb-utils googletest libgtest-dev clang libclang-rt-14-dev
  xserver-xorg-core xserver-xorg-video-dummy xcompmgr xclip libnss-wrapper
  desktop-file-utils appstream groff lintian debhelper fakeroot dpkg-dev bash-completion zsh
  fluxbox icewm xfwm4 dbus-bin i3-wm metacity marco mate-settings-daemon-common
  jwm evilwm fvwm wmaker twm xfonts-base bspwm
  kwin-x11 muffin cinnamon-settings-daemon awesome pekwm blackbox sawfish ctwm cwm
  compiz libgl1-mesa-dri herbstluftwm spectrwm
  mutter kwin-wayland kwin-style-breeze sway weston xwayland wtype grim
)

packages=("${program[@]}" "${demo[@]}")
[ "${1:-}" = --program ] || packages+=("${tests[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
