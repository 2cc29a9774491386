#!/usr/bin/env bash
# The project's test command: install packages, build, run every test; then the same unit tests
# under the address and undefined-behaviour sanitizers, then each fuzz target for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

# Every test talks to servers on the loopback address only: never through a proxy of the machine's.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"

jobs=$(nproc 2>/dev/null || echo 2)

echo "== sanitizer build (address, undefined) =="
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan

if [ -f fuzz/CMakeLists.txt ]; then
  echo "== fuzz targets =="
  bash scripts/fuzz.sh "${VD_FUZZ_SECONDS:-20}"
fi

echo "== build and tests =="
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default
