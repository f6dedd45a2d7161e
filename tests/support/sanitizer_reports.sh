#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# The report files of a sanitized test run (ASan and UBSan log_path):
# "clear DIR" empties DIR; "check DIR" prints every report and fails if any.
set -eu
dir=$2
case $1 in
  # Open to all: the Wayland tests run kavlor as a normal user.
  clear) rm -rf "$dir" && mkdir -p "$dir" && chmod 1777 "$dir" ;;
  check)
    found=0
    for f in "$dir"/*; do
      [ -e "$f" ] || continue
      found=1
      echo "== $f"
      cat "$f"
    done
    exit $found ;;
esac
