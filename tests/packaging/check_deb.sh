#!/usr/bin/env bash
# Makes the Debian package of a build with CPack and checks its files with
# their modes and owners, its control fields, its desktop metadata and icon.
# Usage: check_deb.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
check() { "$@" || { echo "check failed: $*" >&2; exit 1; }; }
rm -rf "$out"
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(echo "$out"/paraboloid_*_"$(dpkg --print-architecture)".deb)

diff -u - <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort) <<'FILES'
-rw-r--r-- root/root ./usr/share/applications/paraboloid.desktop
-rw-r--r-- root/root ./usr/share/doc/paraboloid/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/paraboloid/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/paraboloid.png
-rw-r--r-- root/root ./usr/share/man/man1/paraboloid.1.gz
-rw-r--r-- root/root ./usr/share/metainfo/org.example.paraboloid.metainfo.xml
-rwxr-xr-x root/root ./usr/bin/paraboloid
FILES

field() { dpkg-deb --field "$deb" "$1"; }
check test "$(field Package) $(field Section) $(field Recommends)" = "paraboloid graphics xfonts-base"
check grep -Eq '^[^<]+ <[^@>]+@[^>]+>$' <<<"$(field Maintainer)"
check grep -q '^viewer that turns a lit saddle surface with the mouse$' <<<"$(field Description)"
for needed in 'libc6 (>= ' 'libsdl2-2.0-0 (>= ' 'libgl1,' 'libegl1,'; do
  check grep -qF " $needed" <<<" $(field Depends),"
done

dpkg-deb --extract "$deb" "$out/root"
desktop-file-validate "$out"/root/usr/share/applications/paraboloid.desktop
appstreamcli validate --no-net "$out"/root/usr/share/metainfo/*.metainfo.xml >/dev/null
# The desktop icon is a 32x32 RGBA PNG: the signature, then IHDR.
check test "$(od -An -tx1 -N26 "$out"/root/usr/share/icons/hicolor/32x32/apps/paraboloid.png |
  tr -d ' \n')" = 89504e470d0a1a0a0000000d4948445200000020000000200806
