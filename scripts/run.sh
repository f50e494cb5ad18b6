#!/usr/bin/env bash
# Installs what is needed, builds the viewer and runs it on the recording given (if any).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/src/app/dezozuza ]; then
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" build/src/app/dezozuza "$@"
  fi
  exec build/src/app/dezozuza "$@"
fi
echo "Built the libraries and tests in build/ (the viewer itself is not built yet)."
