#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 20).
# A target's seed corpus is fuzz/<group>/corpus/<target> when it exists.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"
[ -s build-fuzz/fuzzers-list.txt ] || { echo "no fuzz targets"; exit 0; }
while read -r bin; do
  [ -n "$bin" ] || continue
  name=$(basename "$bin")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=$(find fuzz -type d -path "*/corpus/$name" | head -n 1)
  echo "fuzz: $name for ${seconds}s"
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "$work" ${seeds:+"$seeds"} >"build-fuzz/$name.log" 2>&1 || { tail -n 60 "build-fuzz/$name.log"; exit 1; }
done < build-fuzz/fuzzers-list.txt
