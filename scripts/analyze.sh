#!/usr/bin/env bash
# Static analysis of the project's own code: clang-tidy with the checks chosen
# in .clang-tidy, and cppcheck. Any finding fails the run.
# Usage: scripts/analyze.sh [build directory with compile_commands.json]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/analyze}"
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -G Ninja -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF >/dev/null
fi
# Generated sources (the mesh tables) must exist for the files that include them.
cmake --build "$build" --target paraboloid >/dev/null

# The viewer, its platform layer, the OpenGL ES layer, and the build-time generators.
mapfile -t sources < <(find app render trackball model platform fixedgl -name '*.cpp' | sort)

echo "clang-tidy: ${#sources[@]} files"
# clang-tidy counts the warnings it hid in system headers on stderr; only
# findings in our code matter.
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet \
  2> >(grep -v ' warnings\? generated\.$' >&2)

echo "cppcheck"
# Checks beyond plain errors: warnings, performance and portability. Style is
# left to clang-format and clang-tidy. System headers are not analysed.
cppcheck --quiet --error-exitcode=1 --inline-suppr \
  --enable=warning,performance,portability --std=c++20 --language=c++ \
  -I . --suppress=missingIncludeSystem \
  "${sources[@]}"
echo "static analysis clean"
