#!/usr/bin/env bash
# Builds the viewer and runs it. On a machine without a display it plays a
# short tour on a virtual one instead and saves pictures of it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here (DISPLAY is not set): starting a virtual one (Xvfb) for a short tour."
  exec scripts/tour.sh "$@"
fi

scripts/deps.sh run
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF
cmake --build build/run --target paraboloid
exec build/run/paraboloid
