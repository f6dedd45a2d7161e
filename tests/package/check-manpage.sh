#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The manual page formats without a groff warning and documents every
# action word and option that --help prints, by short and long name.
# Usage: check-manpage.sh MANPAGE KAVLOR
set -euo pipefail
man=$1 kavlor=$2
warnings=$(groff -man -ww -z "$man" 2>&1)
if [ -n "$warnings" ]; then
  echo "groff warnings:"; echo "$warnings"; exit 1
fi
echo "groff -man -ww -z: no warning"

# The roff source without escapes and font changes, one heading per line.
plain=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\&//g' "$man")
help=$(env -u DISPLAY "$kavlor" --help || true)
info=$(env -u DISPLAY "$kavlor" --info || true)
missing=0
check() {  # check DESCRIPTION EXTENDED-REGEX
  if ! grep -qE -- "$2" <<<"$plain"; then
    echo "not in the manual page: $1"; missing=1
  fi
}
count=0
while read -r word; do
  check "action $word" "^\.B $word\$"; count=$((count + 1))
done < <(sed -n 's/^  \(--[a-z]*\)\t.*/\1/p' <<<"$help")
while read -r opt; do
  check "option $opt" "^$opt, [A-Za-z]+ "; count=$((count + 1))
done < <(sed -n '/^Options are:/,/^\t/s/^  \(-[A-Za-z]*\) .*/\1/p' <<<"$help")
while read -r name; do
  check "resource $name" "^-[A-Za-z]+, $name "; count=$((count + 1))
done < <(sed -n 's/^  \([A-Za-z]*\):  \t.*/\1/p' <<<"$info")
[ "$count" -ge 64 ] || { echo "read only $count names from --help and --info"; exit 1; }
[ $missing -eq 0 ] && echo "all $count action words, options and resource names documented"
exit $missing
