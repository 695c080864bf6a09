#!/usr/bin/env bash
# Builds everything from scratch and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

build=build/test
werror=OFF
[ -n "${CI:-}" ] && werror=ON
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARABOLOID_WERROR="$werror"
cmake --build "$build"
# Every test has its own X server, so they run side by side.
ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
scripts/analyze.sh "$build"
scripts/sanitize.sh
