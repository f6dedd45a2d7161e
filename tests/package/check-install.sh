#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# cmake --install with a prefix and DESTDIR installs exactly the listed
# files, and the installed program runs.
# Usage: check-install.sh BUILD_DIR EXPECTED_LIST
set -euo pipefail
build=$1 expected=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
actual=$(cd "$dest/usr" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
want=$(grep -v '^#' "$expected" | LC_ALL=C sort)
if [ "$actual" != "$want" ]; then
  echo "installed files differ from $expected (- expected, + installed):"
  diff <(echo "$want") <(echo "$actual") || true
  exit 1
fi
echo "installed, under /usr:"; echo "$actual"
[ -z "$(find "$dest" -mindepth 1 -maxdepth 1 ! -name usr)" ] || { echo "files outside the prefix"; exit 1; }
# The entries name the installed program by its absolute path.
grep -q '^Exec=/usr/bin/kavlor --toggle$' "$dest/usr/share/applications/kavlor.desktop"
grep -q '^TryExec=/usr/bin/kavlor$' "$dest/usr/share/kavlor/kavlor-autostart.desktop"
out=$(env -u DISPLAY "$dest/usr/bin/kavlor" --version) || true
[ "$out" = "kavlor $(sed -n 's/.*"kavlor \([0-9.]*\)".*/\1/p' "$dest/usr/share/man/man1/kavlor.1")" ] ||
  { echo "installed kavlor --version printed [$out]"; exit 1; }
echo "installed kavlor --version: $out"
