#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite (display tests each in
# an X server of their own). DEZ_SANITIZE=address runs it all under AddressSanitizer +
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
san="${DEZ_SANITIZE:-none}"
build="build"
[ "$san" != "none" ] && build="build-$san"
jobs="$(nproc)"
bash scripts/configure.sh "$build" "$san"
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
