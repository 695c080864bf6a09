#!/usr/bin/env bash
# Builds the Windows executable with mingw-w64: build/windows/paraboloid.exe,
# a single file with its runtimes linked in. Run it here with
#   wine build/windows/paraboloid.exe
# Extra arguments go to the configure step (e.g. -DCMAKE_BUILD_TYPE=Debug).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows
build=build/windows
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --target paraboloid -j 2
echo "Built $build/paraboloid.exe"
