#!/usr/bin/env bash
# Builds the viewer and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF
cmake --build build/run --target paraboloid
exec build/run/paraboloid
