#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Configures and builds kavlor and its tests in build/; with --program only
# the program, and a first configure then leaves out the tests, which need
# packages the program does not.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --program ]; then
  [ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVLOR_TESTS=OFF >/dev/null
  cmake --build build -j"$(nproc)" --target kavlor
  exit
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVLOR_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
