#!/bin/bash
# Builds everything and runs the whole test suite: the platform-free core
# natively with the sanitizers, then the Windows build under Wine and a
# private virtual display (unit tests, end-to-end tests of the real VLSetup.exe),
# the programs of the other width (built and checked, not run),
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

stage "vlpack onto real floppy images and back (mtools)"
bash scripts/floppy-roundtrip.sh build/asan

export VL_FORCE_XVFB=1
source scripts/wine-env.sh
if [ "$VL_WINE_BITS" = 64 ]; then
    echo "== this host cannot run 32-bit programs: the Windows tests use a 64-bit build"
fi
stage "Windows build ($VL_WINE_BITS-bit, $VL_CROSS_DIR)"
cmake -S . -B "$VL_CROSS_DIR" -DCMAKE_TOOLCHAIN_FILE="$VL_CROSS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VL_CROSS_DIR" -j"$jobs"

# The programs of the other width too, Release, as shipped (programs only, no
# tests): the shipped programs are 32-bit, and a host that runs the Windows tests
# 64-bit must still prove that they compile, link and import only system DLLs.
if [ "$VL_WINE_BITS" = 64 ]; then
    other_bits=32 other_dir=build/cross other_arch=i686 other_format=pei-i386
    built="32-bit programs (build/cross), 64-bit programs and tests ($VL_CROSS_DIR)"
else
    other_bits=64 other_dir=build/cross64 other_arch=x86_64 other_format=pei-x86-64
    built="32-bit programs and tests ($VL_CROSS_DIR), 64-bit programs (build/cross64)"
fi
stage "Windows programs, $other_bits-bit ($other_dir): built and checked, not run"
cmake -S . -B "$other_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$other_arch.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$other_dir" -j"$jobs" --target VLSetup VLUninstall vlcheck vlpack
for exe in VLSetup VLUninstall vlcheck vlpack; do
    format=$("$other_arch-w64-mingw32-objdump" -f "$other_dir/$exe.exe" | sed -n 's/.*file format //p')
    if [ "$format" != "$other_format" ]; then
        echo "$other_dir/$exe.exe: file format '$format', expected $other_format" >&2
        exit 1
    fi
done
for exe in VLSetup VLUninstall; do
    cmake -DEXE="$other_dir/$exe.exe" -DOBJDUMP="$other_arch-w64-mingw32-objdump" -P tests/check_imports.cmake
done
echo "== built: $built; Windows tests run: $VL_WINE_BITS-bit"

stage "Windows tests under Wine"
vl_wine_warm_up
echo "display $DISPLAY, prefix $WINEPREFIX"
(cd "$VL_CROSS_DIR" && ctest --output-on-failure -j"$jobs" --timeout 300)

stage "fuzzing the script reader, reference expansion, profile parser, uninstall log reader and command line"
VL_FUZZ_SECONDS="${VL_FUZZ_SECONDS:-20}" bash scripts/fuzz.sh
stage "all tests passed (built: $built; Windows tests run: $VL_WINE_BITS-bit)"
