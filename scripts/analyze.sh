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

# The viewer, its platform layer, the OpenGL ES layer, and the build-time
# generators; the platform's browser part only the web build compiles.
mapfile -t sources < <(find app render trackball model platform fixedgl -name '*.cpp' | sort)
browser=(platform/browser.cpp)
mapfile -t native < <(printf '%s\n' "${sources[@]}" | grep -vxF "${browser[@]}")

echo "clang-tidy: ${#sources[@]} files"
# clang-tidy counts the warnings it hid in system headers on stderr; only
# findings in our code matter.
printf '%s\n' "${native[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet \
  2> >(grep -v ' warnings\? generated\.$' >&2)
# The browser part as Emscripten compiles it, against its system headers and
# the SDL2 that scripts/web.sh builds (when it has).
sysroot=$(em-config CACHE 2>/dev/null)/sysroot
sdl=$(ls -d build/deps/sdl2-*/include/SDL2 2>/dev/null | tail -n 1 || true)
if [ -d "$sysroot" ] && [ -n "$sdl" ]; then
  clang-tidy --quiet "${browser[@]}" -- -std=c++20 -I. -D__EMSCRIPTEN__ \
    --target=wasm32-unknown-emscripten -nostdinc++ -isystem "$sysroot/include/c++/v1" \
    -isystem "$sysroot/include" -isystem "$sdl" 2> >(grep -v ' warnings\? generated\.$' >&2)
else
  echo "clang-tidy: no Emscripten or no SDL2 for the web (scripts/web.sh): ${browser[*]} left out"
fi

# cppcheck reads no JavaScript: the browser part's EM_JS bodies are left to clang-tidy.
echo "cppcheck"
# Checks beyond plain errors: warnings, performance and portability. Style is
# left to clang-format and clang-tidy. System headers are not analysed.
cppcheck --quiet --error-exitcode=1 --inline-suppr \
  --enable=warning,performance,portability --std=c++20 --language=c++ \
  -I . --suppress=missingIncludeSystem \
  "${native[@]}"
echo "static analysis clean"
