#!/bin/bash
# Builds everything and runs the whole test suite: the platform-free core
# natively with the sanitizers, then the Windows build under Wine and a
# private virtual display (unit tests, end-to-end tests of the real VLSetup.exe),
# and last the core's fuzz targets for a bounded time (scripts/fuzz.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
stage() { echo "== [${SECONDS} s] $*"; }

stage "native core with AddressSanitizer and UndefinedBehaviorSanitizer"
CC=clang CXX=clang++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$jobs"
(cd build/asan && ctest --output-on-failure -j"$jobs")

export VL_FORCE_XVFB=1
source scripts/wine-env.sh
if [ "$VL_WINE_BITS" = 64 ]; then
    echo "== this host cannot run 32-bit programs: the Windows tests use a 64-bit build"
fi
stage "Windows build ($VL_WINE_BITS-bit, $VL_CROSS_DIR)"
cmake -S . -B "$VL_CROSS_DIR" -DCMAKE_TOOLCHAIN_FILE="$VL_CROSS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VL_CROSS_DIR" -j"$jobs"

stage "Windows tests under Wine"
vl_wine_warm_up
echo "display $DISPLAY, prefix $WINEPREFIX"
(cd "$VL_CROSS_DIR" && ctest --output-on-failure -j"$jobs" --timeout 300)

stage "fuzzing the script reader, reference expansion and profile parser"
VL_FUZZ_SECONDS="${VL_FUZZ_SECONDS:-20}" bash scripts/fuzz.sh
stage "all tests passed"
