#!/usr/bin/env bash
# Configures a build folder as scripts/run.sh and scripts/test.sh both use it, so that whichever
# runs second reuses what the first compiled: scripts/configure.sh FOLDER SANITIZER (none or
# address).
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
san="$2"
# The plain build is optimised as the default build (-O2) but carries no debug information: that
# cuts the disk the test programs take and shortens every link. The sanitizer build keeps it for
# its reports.
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ "$san" = "none" ] && opts=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
                             -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG")
cmake -S . -B "$build" "${opts[@]}" -DDEZ_SANITIZE="$san" -DDEZ_WERROR=ON >/dev/null
