#!/usr/bin/env bash
# Installs the Debian packages that a step needs, when any is missing.
# Usage: scripts/deps.sh build|run|test|windows|package|web
set -euo pipefail

build=(cmake ninja-build g++ pkg-config libsdl2-dev libx11-dev libxcb1-dev libwayland-dev libgl-dev
       libgl1-mesa-dri libglx-mesa0 libpng-dev libimagequant-dev)
# The start-up notice on Xvfb needs X core fonts, which xvfb only recommends.
run=(xvfb xfonts-base libx11-dev libxtst-dev imagemagick)
# A headless Wayland compositor (sway) and its screenshots (grim) for the
# Wayland session.
test=(googletest libgtest-dev libtinyobjloader-dev xvfb libx11-dev libxtst-dev openbox i3-wm
      x11-utils mesa-utils freeglut3-dev cppcheck clang-tidy clang python3-pefile sway grim)
# The Windows build (mingw-w64) and Wine to run it.
windows=(g++-mingw-w64-x86-64-posix mingw-w64 wine wine64)
# Making and checking the Debian package and the Windows archive.
package=(dpkg-dev lintian appstream desktop-file-utils)
# The web build: Emscripten, and dpkg-source to unpack Debian's SDL2 source for it.
web=(emscripten dpkg-dev)
# Driving the web page in browsers: headless Chromium, and Firefox ESR on Xvfb.
web_test=(chromium firefox-esr python3 python3-websocket python3-pil)

case "${1:-build}" in
  build) wanted=("${build[@]}") ;;
  run) wanted=("${build[@]}" "${run[@]}") ;;
  test) wanted=("${build[@]}" "${run[@]}" "${test[@]}" "${windows[@]}" "${package[@]}"
                 "${web[@]}" "${web_test[@]}") ;;
  windows) wanted=("${build[@]}" "${windows[@]}") ;;
  package) wanted=("${build[@]}" "${windows[@]}" "${package[@]}" "${web[@]}") ;;
  web) wanted=("${build[@]}" "${web[@]}") ;;
  *) echo "usage: $0 build|run|test|windows|package|web" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
