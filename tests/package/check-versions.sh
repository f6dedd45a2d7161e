#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The project version reaches the program's texts and every file that
# names it; debian/changelog packages that version as revision 1.
# Usage: check-versions.sh SOURCE_DIR VERSION KAVLOR DATA_BUILD_DIR
set -euo pipefail
src=$1 version=$2 kavlor=$3 data=$4
status=0
same() {  # same WHAT FOUND WANTED
  if [ "$2" = "$3" ]; then echo "$1: $2"; else echo "$1: [$2], want [$3]"; status=1; fi
}
same "kavlor --version" "$(env -u DISPLAY "$kavlor" --version || true)" "kavlor $version"
same "--help" "$({ env -u DISPLAY "$kavlor" --help || true; } | head -1)" "kavlor version $version"
same "debian/changelog" "$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)" "$version-1"
same "NEWS" "$(grep -m1 -o '^[0-9][0-9.]*' "$src/NEWS")" "$version"
same "manual page" "$(sed -n 's/^\.TH .*"kavlor \([^"]*\)".*/\1/p' "$data/kavlor.1")" "$version"
same "AppStream release" "$(grep -m1 -o '<release version="[^"]*"' "$data"/*.metainfo.xml | cut -d'"' -f2)" "$version"
exit $status
