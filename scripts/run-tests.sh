#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit,
# loading, widget and end-to-end tests, then the option-parser fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

# The fuzzer needs clang's libFuzzer and sanitizers: a build of its own.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKAVLOR_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"

status=0
(cd build-fuzz && ctest --output-on-failure) || status=1
(cd build && ctest --output-on-failure -j2) || status=1
exit $status
