#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Every source file carries the SPDX licence line near its top
# (scripts/add-spdx.sh adds the missing ones).
# Usage: check-spdx.sh SOURCE_DIR
set -euo pipefail
src=$1
missing=0 count=0
while read -r f; do
  count=$((count + 1))
  head -n 5 "$src/$f" | grep -q 'SPDX-License-Identifier: GPL-2.0-or-later' ||
    { echo "no SPDX line: $f"; missing=$((missing + 1)); }
done < <("$src/scripts/spdx-files.sh" "$src")
[ "$count" -gt 0 ] || { echo "no source files found"; exit 1; }
echo "$((count - missing)) of $count source files carry the SPDX line"
[ $missing -eq 0 ] || echo "run scripts/add-spdx.sh to add the missing lines"
[ $missing -eq 0 ]
