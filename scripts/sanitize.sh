#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# its own build directory, runs the unit tests and one short scripted session
# of the real viewer (the tour) on Xvfb. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/sanitize
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARABOLOID_SANITIZE=ON >/dev/null
cmake --build "$build"

# The probe is preloaded ahead of the ASan runtime; it allocates nothing that
# ASan must see first, so the link-order check is off.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:verify_asan_link_order=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"

# Unit tests (the end-to-end, Wine and web suites run in the main build: they
# drive an unsanitized session, a Windows executable and a WebAssembly one).
ctest --test-dir "$build" --output-on-failure --timeout 300 -LE 'e2e|windows|web'

# One short session of the sanitized viewer: notice, spin, drag, throw, fog,
# wireframe, stop, Escape. The tour fails unless the viewer ends with 0,
# which a sanitizer report prevents.
"$build/bench/paraboloid_tour" "$build/tour-pictures" "$PWD/$build/paraboloid"
