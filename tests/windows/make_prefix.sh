#!/usr/bin/env bash
# Makes a fresh Wine prefix for the Windows tests: make_prefix.sh DIR
# The mono and gecko installers are switched off, so nothing asks questions.
set -euo pipefail
prefix=$1
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wineboot -i >/dev/null 2>&1
wineserver -w
test -f "$prefix/system.reg"
