#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The desktop entries pass desktop-file-validate without a word.
# Usage: check-desktop.sh DESKTOP_FILE...
set -euo pipefail
status=0
for f in "$@"; do
  out=$(desktop-file-validate "$f" 2>&1) || status=1
  echo "desktop-file-validate $f: ${out:-no message}"
  [ -z "$out" ] || status=1
done
exit $status
