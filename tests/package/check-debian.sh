#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A copy of the source tree builds kavlor_VERSION-1_ARCH.deb with
# dpkg-buildpackage (without the test suite: nocheck), lintian finds no
# error and no warning in it, and it holds the installed files.
# Usage: check-debian.sh SOURCE_DIR EXPECTED_LIST
set -euo pipefail
src=$1 expected=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/kavlor
mkdir "$tree"
# Tracked and new files, never build trees or the checkout's own state.
if [ -e "$src/.git" ]; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard) |
    (cd "$src" && xargs -0 cp --parents -t "$tree" 2>/dev/null) || true
else
  (cd "$src" && tar --exclude='./build*' --exclude=./out --exclude=./debian/build -cf - .) |
    tar -xf - -C "$tree"
fi
[ -f "$tree/debian/rules" ] || { echo "debian/rules missing in the copy"; exit 1; }

cd "$tree"
start=$(date +%s)
if ! DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -us -uc -b -Pnocheck \
     >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log"; exit 1
fi
echo "dpkg-buildpackage: $(( $(date +%s) - start )) s"
version=$(dpkg-parsechangelog -S Version)
deb=$work/kavlor_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no $(basename "$deb")"; ls "$work"; exit 1; }
echo "built $(basename "$deb")"

status=0
# Errors and warnings fail; the informational tags are shown.
lintian --fail-on error,warning --info --display-info "$work"/kavlor_*.changes >"$work/lintian.log" 2>&1 ||
  status=1
grep -v 'running with root privileges' "$work/lintian.log" || true
[ $status -eq 0 ] && echo "lintian: no error, no warning"

# The installed files, compressed where Debian compresses them, plus the
# package's own copyright, changelog and lintian override.
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | LC_ALL=C sort)
while read -r f; do
  grep -qxE "usr/$f(\.gz)?" <<<"$actual" || { echo "not in the package: usr/$f"; status=1; }
done < <(grep -v '^#' "$expected")
debian_own="usr/share/doc/kavlor/copyright usr/share/doc/kavlor/changelog.Debian.gz usr/share/lintian/overrides/kavlor"
for f in $debian_own; do
  grep -qx "$f" <<<"$actual" || { echo "not in the package: $f"; status=1; }
done
extra=$(grep -vxE "$(grep -v '^#' "$expected" | sed 's|.*|usr/&(\\.gz)?|' | paste -sd'|')|$(sed 's/ /|/g; s/\./\\./g' <<<"$debian_own")" <<<"$actual" || true)
[ -z "$extra" ] || { echo "unexpected in the package:"; echo "$extra"; status=1; }
# --toggle finds the instance itself: no process-listing tool is needed.
depends=$(dpkg-deb -f "$deb" Depends)
if grep -q procps <<<"$depends"; then echo "Depends names procps"; status=1; fi
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
exit $status
