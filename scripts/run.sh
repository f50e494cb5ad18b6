#!/usr/bin/env bash
# Installs what is needed, builds the viewer and runs it on the recording given, or on a small demo
# recording that the project's own C3D writer makes (build/demo/walk.c3d) when none is given.
# Only the viewer and the demo writer are built, configured as scripts/test.sh configures build/,
# which then reuses them. Without a display it runs under xvfb-run.
set -euo pipefail
# Relative paths name files from where the user stands, not from the project folder.
args=()
for a in "$@"; do
  case "$a" in
    -* | /* | '') args+=("$a") ;;
    *) args+=("$PWD/$a") ;;
  esac
done
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/configure.sh build none
cmake --build build -j "$(nproc)" --target dezozuza dezozuza_demo_c3d
if [ ${#args[@]} -eq 0 ]; then
  mkdir -p build/demo
  build/src/app/dezozuza_demo_c3d build/demo/walk.c3d
  args=("$PWD/build/demo/walk.c3d")
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" build/src/app/dezozuza "${args[@]}"
fi
exec build/src/app/dezozuza "${args[@]}"
