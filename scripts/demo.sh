#!/bin/bash
# Builds VLSetup.exe and runs the demo installation of examples/demo/ under Wine.
# With a display (DISPLAY set, VL_HEADLESS unset) the wizard is yours to click
# through; otherwise the end-to-end driver goes through every page on a virtual
# display and saves a screenshot of each page in build/demo/shots/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

headless=1
if [ -n "${DISPLAY:-}" ] && [ -z "${VL_HEADLESS:-}" ]; then headless=0; fi
[ "$headless" = 1 ] && export VL_FORCE_XVFB=1
source scripts/wine-env.sh

echo "== building ($VL_WINE_BITS-bit)"
cross="$VL_CROSS_DIR"
cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$VL_CROSS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$cross" -j"$jobs" --target VLSetup demo_app demo_runner

echo "== preparing build/demo"
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp -r examples/demo/. "$demo/"
cp "$cross/VLSetup.exe" "$demo/"
cp "$cross/demo_app.exe" "$demo/disk1/demo.exe"
# The read-me travels compressed (SZDD), as setup disks often hold their files.
(cd "$demo/disk1" && mscompress readme.txt && rm readme.txt)

vl_wine_warm_up
# A fresh demo each time: remove what an earlier run installed.
programs="Program Files (x86)"
[ "$VL_WINE_BITS" = 64 ] && programs="Program Files"
installed="$WINEPREFIX/drive_c/$programs/Velmora Demo"
rm -rf "$installed"
rm -rf "$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora Demo"

if [ "$headless" = 0 ]; then
    echo "== running the wizard on $DISPLAY"
    (cd "$demo" && "$VL_WINE" VLSetup.exe) || true
else
    echo "== driving the wizard on the virtual display $DISPLAY"
    "$VL_WINE" "$cross/demo_runner.exe" "$demo/VLSetup.exe" "$demo" "$demo/shots" || status=$?
    for bmp in "$demo"/shots/*.bmp; do
        [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
    done
    echo "screenshots: $demo/shots/"
fi

echo "== installed files in C:\\Program Files (x86)\\Velmora Demo"
ls -l "$installed" 2>/dev/null || echo "(none)"
if [ -f "$installed/Uninstall.log" ]; then
    echo "== Uninstall.log"
    tr -d '\r' <"$installed/Uninstall.log" | iconv -f CP1252 -t UTF-8
fi
exit "${status:-0}"
