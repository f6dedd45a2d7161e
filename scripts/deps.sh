#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the Debian packages kavlor needs to build, run and be tested,
# only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtk2.0-dev libvte-dev libx11-dev libxinerama-dev libxrandr-dev
  googletest libgtest-dev clang libclang-rt-14-dev
  xvfb xserver-xorg-core xserver-xorg-video-dummy openbox xdotool x11-utils xcompmgr xclip libnss-wrapper
  imagemagick procps libxtst-dev
  librsvg2-bin desktop-file-utils appstream groff lintian debhelper fakeroot dpkg-dev bash-completion zsh
  fluxbox icewm xfwm4 dbus-bin i3-wm metacity marco mate-settings-daemon-common
  jwm evilwm fvwm wmaker twm xfonts-base bspwm
)

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
