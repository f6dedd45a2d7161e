#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds and runs every benchmark (build/bench/bench_*), printing figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
