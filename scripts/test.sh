#!/usr/bin/env bash
# Sets up, then builds and runs every test twice: in the normal build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build; last, a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
(cd build && ctest --output-on-failure -j "$jobs")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=ON
cmake --build build-sanitize
# Mesa and the X libraries keep allocations until exit; the project's own code stays checked.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:exitcode=99
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=98
(cd build-sanitize && ctest --output-on-failure -j "$jobs")

echo "== fuzz targets (clang, libFuzzer), a short fixed number of runs each"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON
cmake --build build-fuzz
(cd build-fuzz && ctest --output-on-failure -j "$jobs")
