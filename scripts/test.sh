#!/usr/bin/env bash
# The project's test command (CI runs it through .ci/run on a fresh 2-core machine):
#   1. the Debian packages, then the include rules of the folders (scripts/check_layers.py: a breach
#      fails here, before any build);
#   2. the default build and every test (under CI: the application and the window tests only, labels
#      gtk and road, which run the real GTK window and WebKit as a user gets them);
#   3. the address and undefined-behaviour sanitizer build and its tests: all but the window tests
#      (labels gtk and road: WebKit's own libraries are not built for the sanitizers) and those labelled
#      "integration", see the asan test preset; the window tests' GTK programs are not built there. Under CI
#      each test so runs once, the unit tests under the sanitizers;
#   4. each fuzz target for a short while (scripts/fuzz.sh: the fuzz build makes only the targets and the
#      libraries they link, not the whole tree a third time).
# Every tree links with mold, or lld, when installed (cmake/VdLinker.cmake). Each step prints its wall
# time. VD_FUZZ_SECONDS sets the fuzzing time per target (default 20; under CI 10, which shortens a run on
# a two-core machine by about a minute).
# Under CI (CI=true) the default tree is built without debug information and the sanitizer tree with line
# tables only (-g1: its reports keep their file and line), and each tree is removed once its tests have
# passed: a CI machine's disk can be small, and every test program links the libraries it uses.
# Under CI the default tree is also optimised (-O2, assertions kept): the warnings only the optimiser
# raises (uninitialised reads, array bounds, string overflows seen through inlining) then stop CI as the
# others do (the presets turn warnings into errors), at the price of a slower compile of that one tree
# (about 1.4x the compiler time of -O0 on this code base) instead of a build of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

# Every test talks to servers on the loopback address only: never through a proxy of the machine's.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"

jobs=$(nproc 2>/dev/null || echo 2)
ci_flags=()
asan_flags=()
if [ "${CI:-}" = "true" ]; then
  ci_flags=("-DCMAKE_C_FLAGS_DEBUG=-g0 -O2" "-DCMAKE_CXX_FLAGS_DEBUG=-g0 -O2")
  asan_flags=(-DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1)
fi
# Under CI a tree whose tests passed is removed (its size is printed first).
drop_tree() {
  if [ "${CI:-}" = "true" ]; then
    echo "removing $1 ($(du -sh "$1" | cut -f1)); disk free: $(df -h . | awk 'NR==2 {print $4}')"
    rm -rf "$1"
  fi
}

step() {
  echo "== $1 =="
  step_started=$SECONDS
}
step_done() { echo "== done in $((SECONDS - step_started)) s =="; }

step "include rules"
/usr/bin/python3 -B scripts/check_layers.py
step_done

window_labels='^(gtk|road|gallery)$'
step "build and tests"
cmake --preset default "${ci_flags[@]}" >/dev/null
if [ "${CI:-}" = "true" ]; then
  # The application and the programs of the window tests (the vd_window_tests target).
  cmake --build --preset default -j "$jobs" --target vardo vd_window_tests
  # One window test at a time: each runs an Xvfb, the application and WebKit's processes, and on a small
  # machine several at once starve each other past their waits.
  ctest --preset default -L "$window_labels" -j 1
else
  cmake --build --preset default -j "$jobs"
  ctest --preset default
fi
drop_tree build
step_done

step "sanitizer build (address, undefined) and tests"
cmake --preset asan "${asan_flags[@]}" >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan
drop_tree build-asan
step_done

if [ -f fuzz/CMakeLists.txt ]; then
  step "fuzz targets"
  fuzz_seconds=20
  if [ "${CI:-}" = "true" ]; then fuzz_seconds=10; fi
  bash scripts/fuzz.sh "${VD_FUZZ_SECONDS:-$fuzz_seconds}"
  step_done
fi
echo "== total $SECONDS s =="
