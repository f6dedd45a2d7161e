#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Lists the source files that must carry an SPDX line, one per line,
# relative to the source tree given (default: this checkout): C++ sources
# and headers, CMake files, shell scripts and the scripts of scripts/,
# .ci/ and debian/rules.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
if [ -e .git ] && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files)
else
  files=$(find . -path ./build -prune -o -path './build-*' -prune -o -path ./debian/build -prune \
            -o -type f -printf '%P\n')
fi
grep -E '(\.(cpp|h|cmake|sh)|(^|/)CMakeLists\.txt|^scripts/[^/]+|^\.ci/[^/]+|^debian/rules)$' <<<"$files" |
  LC_ALL=C sort -u
