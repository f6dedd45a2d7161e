#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Puts "SPDX-License-Identifier: GPL-2.0-or-later" at the top of every
# source file that lacks it (after a #! line), as a comment of the file's
# own syntax. Running it again changes nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: GPL-2.0-or-later"
while read -r f; do
  head -n 5 "$f" | grep -q "$tag" && continue
  case $f in
    *.cpp|*.h) line="// $tag" ;;
    *) line="# $tag" ;;
  esac
  if head -n 1 "$f" | grep -q '^#!'; then
    sed -i "1a $line" "$f"
  else
    sed -i "1i $line" "$f"
  fi
  echo "added: $f"
done < <(scripts/spdx-files.sh)
