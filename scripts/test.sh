#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite (display tests under
# xvfb-run). DEZ_SANITIZE=address runs it all under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
san="${DEZ_SANITIZE:-none}"
build="build"
[ "$san" != "none" ] && build="build-$san"
jobs="$(nproc)"
# The plain test build is optimised as the default build (-O2) but carries no debug information:
# that cuts the disk the test programs take and shortens every link. The sanitizer build keeps it
# for its reports.
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ "$san" = "none" ] && opts=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
                             -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG")
cmake -S . -B "$build" "${opts[@]}" -DDEZ_SANITIZE="$san" -DDEZ_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
