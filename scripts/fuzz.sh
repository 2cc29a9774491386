#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (only they and the libraries they link) and runs each for a
# bounded time (seconds, default 20), as many at once as there are processors. A target's seed corpus is
# fuzz/<group>/corpus/<target> when it exists; what it finds is kept in build-fuzz/corpus/<target>, and an
# input that fails a target in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target vd_fuzzers
[ -s build-fuzz/fuzzers-list.txt ] || { echo "no fuzz targets"; exit 0; }
mkdir -p build-fuzz/artifacts

run_one() {
  local bin=$1 seconds=$2
  local name work seeds
  name=$(basename "$bin")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=$(find fuzz -type d -path "*/corpus/$name" | head -n 1)
  if "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       -artifact_prefix=build-fuzz/artifacts/"$name"- "$work" ${seeds:+"$seeds"} >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name: $(grep -a -o 'Done [0-9]* runs' "build-fuzz/$name.log" | tail -n 1) in ${seconds}s"
  else
    echo "fuzz: $name FAILED"
    tail -n 60 "build-fuzz/$name.log"
    return 1
  fi
}
export -f run_one
grep -v '^$' build-fuzz/fuzzers-list.txt | xargs -P "$jobs" -I{} bash -c 'run_one "$1" "$2"' _ {} "$seconds"
