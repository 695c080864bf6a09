#!/usr/bin/env bash
# Builds the viewer for web browsers (WebAssembly drawing with WebGL 1) into
# build/web: index.html with its script, style sheet and icon, paraboloid.js
# and paraboloid.wasm. Any static web server can serve that folder.
#
# SDL2 for the web is built once from Debian's own libsdl2 source (the version
# of the installed libsdl2-dev) with Debian's Emscripten, and kept in
# build/deps/, keyed by both versions; later builds reuse it.
#
# Usage: scripts/web.sh [--serve [PORT]]
#   --serve  then serves build/web on 127.0.0.1 (PORT, or a free one) until
#            interrupted, and says which address to open.
# Extra configure arguments can be given in PARABOLOID_WEB_CMAKE_ARGS; the
# build and output folders in PARABOLOID_WEB_BUILD and PARABOLOID_WEB_SITE.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/apt-archives.sh

serve=false
port=0
case "${1:-}" in
  "") ;;
  --serve) serve=true; port="${2:-0}" ;;
  *) echo "usage: $0 [--serve [PORT]]" >&2; exit 2 ;;
esac
[[ "$port" =~ ^[0-9]+$ ]] || { echo "$0: not a port number: $port" >&2; exit 2; }

scripts/deps.sh web
# Debian's emcc runs its JavaScript passes with node; a node installed from
# elsewhere does not look where Debian keeps their modules (acorn).
[ -d /usr/share/nodejs ] && export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

sdl_version=$(dpkg-query -W -f='${source:Version}' libsdl2-dev)
emcc_version=$(emcc -dumpversion)
# Versions may hold an epoch ("1:"); keep the folder name plain.
sdl="$PWD/build/deps/sdl2-${sdl_version//:/_}-emcc-$emcc_version"

# Fetches Debian's libsdl2 source through apt with a source list, index and
# cache of its own (the machine's apt configuration stays as it is), from the
# Debian archives the machine's apt uses, and builds the static library with
# Emscripten, with only what the viewer uses.
build_sdl() {
  local work="$PWD/build/deps/work" start=$SECONDS
  local suite archives main security
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  archives=$(debian_archives "$suite") || return 1
  main=${archives%%$'\n'*} security=${archives#*$'\n'}
  echo "Building SDL2 $sdl_version for the web (once; kept in $sdl)"
  rm -rf "$work" "$sdl.partial"
  mkdir -p "$work/apt/lists/partial" "$work/apt/sources"
  # The installed libsdl2-dev may come from any of them.
  cat >"$work/apt/sources/debian.sources" <<EOF
Types: deb-src
URIs: $main
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: $security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  local apt=(apt-get -qq -o Dir::Etc::SourceList=/dev/null
             -o Dir::Etc::SourceParts="$work/apt/sources"
             -o Dir::State::Lists="$work/apt/lists"
             -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  # As root apt downloads as the user _apt, who cannot write here.
  [ "$(id -u)" -eq 0 ] && apt+=(-o APT::Sandbox::User=root)
  "${apt[@]}" update
  (cd "$work" && "${apt[@]}" source --download-only "libsdl2=$sdl_version")
  # apt has checked the files against the archive's signed index.
  dpkg-source --no-check -x "$work"/libsdl2_*.dsc "$work/src" >/dev/null

  # The viewer needs video, events, timers and message boxes: the rest is off.
  emcmake cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_INSTALL_PREFIX="$sdl.partial" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_AUDIO=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; return 1; }
  cmake --build "$work/build" -j 2 >"$work/build.log" || { tail -n 50 "$work/build.log" >&2; return 1; }
  cmake --install "$work/build" >/dev/null
  mv "$sdl.partial" "$sdl"
  rm -rf "$work"
  echo "SDL2 for the web built in $((SECONDS - start)) s"
}
[ -f "$sdl/lib/libSDL2.a" ] || build_sdl

build="${PARABOLOID_WEB_BUILD:-build/emscripten}"
mkdir -p "$build"
site="$(realpath -m "${PARABOLOID_WEB_SITE:-build/web}")"
# shellcheck disable=SC2086  # the extra arguments are words
emcmake cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DSDL2_DIR="$sdl/lib/cmake/SDL2" \
  -DPARABOLOID_WEB_DIR="$site" -DPARABOLOID_TESTS=OFF -DPARABOLOID_BENCH=OFF \
  ${PARABOLOID_WEB_CMAKE_ARGS:-} >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --target paraboloid -j 2
echo "Built $site: $(cd "$site" && echo *)"

$serve || exit 0
exec python3 - "$site" "$port" <<'EOF'
# Serves the folder on 127.0.0.1 until interrupted (.wasm as application/wasm).
import functools, http.server, sys
folder, port = sys.argv[1], int(sys.argv[2])
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
    print(f"Serving {folder}: open http://127.0.0.1:{server.server_address[1]}/ (Ctrl-C stops)",
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
EOF
