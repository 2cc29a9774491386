#!/usr/bin/env bash
# Builds the application and starts it. Arguments go to the application
# (for example: scripts/run.sh --headless --print-screens).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)" --target vardo vd_bundle
exec ./build/app/main/vardo "$@"
