#!/bin/bash
# Builds everything and runs the whole test suite: the platform-free core
# natively (plain and with sanitizers), then the Windows build under Wine and a
# private virtual display (unit tests, end-to-end tests of the real VLSetup.exe),
# and last the core's fuzz targets for a bounded time (scripts/fuzz.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "== native core build and tests"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
(cd build/native && ctest --output-on-failure -j"$jobs")

echo "== native core with AddressSanitizer and UndefinedBehaviorSanitizer"
CC=clang CXX=clang++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$jobs"
(cd build/asan && ctest --output-on-failure -j"$jobs")

echo "== Windows build"
cmake -S . -B build/cross -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/cross -j"$jobs"

echo "== Windows tests under Wine"
export VL_FORCE_XVFB=1
source scripts/wine-env.sh
vl_wine_warm_up
echo "display $DISPLAY, prefix $WINEPREFIX"
(cd build/cross && ctest --output-on-failure -j"$jobs" --timeout 300)

echo "== fuzzing the script reader, reference expansion and profile parser"
bash scripts/fuzz.sh
echo "== all tests passed"
