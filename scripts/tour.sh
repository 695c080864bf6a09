#!/usr/bin/env bash
# Plays a short scripted tour of the viewer on a virtual display (Xvfb) and
# saves a picture of every step. Needs no display of its own.
# Usage: scripts/tour.sh [output directory]   (default: build/tour/pictures)
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-build/tour/pictures}"
scripts/deps.sh run >&2
cmake -S . -B build/tour -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=ON >/dev/null
cmake --build build/tour --target paraboloid paraboloid_tour paraboloid_probe >/dev/null
mkdir -p "$out"
exec build/tour/bench/paraboloid_tour "$(cd "$out" && pwd)" "$PWD/build/tour/paraboloid"
