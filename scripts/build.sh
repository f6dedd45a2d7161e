#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Configures and builds kavlor and its tests in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
