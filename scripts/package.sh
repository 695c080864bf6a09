#!/usr/bin/env bash
# Makes the packages users install, from scratch, and checks them:
#   build/package/paraboloid_VERSION_amd64.deb   (Debian 12)
#   build/package/paraboloid-VERSION-win64.zip   (Windows, 64-bit)
#   build/package/paraboloid-VERSION-web.zip     (the files for any static web server)
# The Debian package is built with Debian's hardening flags and must pass
# desktop-file-validate, appstreamcli validate and lintian (errors and
# warnings fail; the README explains the remaining notes).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh package
out=build/package
rm -rf "$out"
mkdir -p "$out"

# Debian: the compiler and linker flags every Debian package is built with.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$out/deb" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$out/deb"
cpack --config "$out/deb/CPackConfig.cmake" -G DEB -B "$out/deb/cpack"
deb=$(echo "$out"/deb/cpack/paraboloid_*.deb)
mv "$deb" "$out/"
deb="$out/$(basename "$deb")"

# Windows: the mingw-w64 build, as scripts/windows.sh makes it.
cmake -S . -B "$out/windows" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF
cmake --build "$out/windows" --target paraboloid
cpack --config "$out/windows/CPackConfig.cmake" -G ZIP -B "$out/windows/cpack"
zip=$(echo "$out"/windows/cpack/paraboloid-*-win64.zip)
mv "$zip" "$out/"
zip="$out/$(basename "$zip")"

# The web: the Emscripten build, as scripts/web.sh makes it (with its SDL2
# for the web, built once).
PARABOLOID_WEB_BUILD="$out/web" PARABOLOID_WEB_SITE="$out/web/site" scripts/web.sh
cpack --config "$out/web/CPackConfig.cmake" -G ZIP -B "$out/web/cpack"
web=$(echo "$out"/web/cpack/paraboloid-*-web.zip)
mv "$web" "$out/"
web="$out/$(basename "$web")"

echo "Checking $deb"
dpkg-deb --extract "$deb" "$out/deb-root"
desktop-file-validate "$out"/deb-root/usr/share/applications/*.desktop
appstreamcli validate --no-net "$out"/deb-root/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error,warning --display-info "$deb"

echo "Made $deb"
echo "Made $zip"
echo "Made $web"
