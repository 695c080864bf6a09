#!/usr/bin/env bash
# The files of the web archive, which CPack makes from a web build, and of the
# Windows archive when there is one: each with its README.txt and the licences
# of what is compiled into it.
# Usage: check_zips.sh WEB_BUILD OUT_DIR [WINDOWS_ZIP]
set -euo pipefail
web=$1 out=$2 windows=${3:-}
check() { "$@" || { echo "check failed: $*" >&2; exit 1; }; }
rm -rf "$out"
cpack -G ZIP -B "$out" --config "$web/CPackConfig.cmake" >/dev/null
web=$(echo "$out"/paraboloid-*-web.zip)
files() { zipinfo -1 "$1" | sed -n 's|^[^/]*/\(.\)|\1|p' | LC_ALL=C sort | tr '\n' ' '; }
text() { unzip -p "$1" "*/$2"; }

check test "$(files "$web")" = "LICENSE-Emscripten.txt LICENSE-SDL2.txt LICENSE.txt README.txt \
index.html page.css page.js paraboloid.js paraboloid.png paraboloid.wasm "
check grep -q "python3 -m http.server" <(text "$web" README.txt)
check grep -q "Sam Lantinga" <(text "$web" LICENSE-SDL2.txt)
check grep -q "The Emscripten Authors" <(text "$web" LICENSE-Emscripten.txt)
[ -n "$windows" ] || exit 0
check test "$(files "$windows")" = "LICENSE-mingw-w64.txt LICENSE.txt README.txt paraboloid.exe "
check grep -q "^Files: mingw-w64-libraries/winpthreads/" <(text "$windows" LICENSE-mingw-w64.txt)
