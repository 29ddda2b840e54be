#!/bin/bash
# Builds VLSetup.exe and runs the demo installation of examples/demo/ under Wine.
# With a display (DISPLAY set, VL_HEADLESS unset) the wizard is yours to click
# through; otherwise the end-to-end driver goes through every page on a virtual
# display and saves a screenshot of each page in build/demo/shots/. With
# VL_QUIET=1 it installs the demo unattended (VLSetup.exe /quiet /log=...), as a
# deployment tool would, and prints the run's log and its exit code.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

headless=1
if [ -n "${DISPLAY:-}" ] && [ -z "${VL_HEADLESS:-}" ]; then headless=0; fi
[ "$headless" = 1 ] && export VL_FORCE_XVFB=1
source scripts/wine-env.sh

echo "== building ($VL_WINE_BITS-bit) and the authoring tools"
cross="$VL_CROSS_DIR"
cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$VL_CROSS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$cross" -j"$jobs" --target VLSetup VLUninstall demo_app demo_runner
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs" --target vlpack vlcheck

echo "== laying out the disks of examples/demo/app with vlpack"
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
app="$root/build/demo-app"
rm -rf "$app"
cp -r examples/demo/app "$app"
cp "$cross/demo_app.exe" "$app/demo.exe"
# Disks of 32 KiB (the demo fits on one; a larger program goes on as many as
# it needs), files compressed where that makes them smaller.
build/native/vlpack --disk-size 32K --compress "$app" "$demo" >"$root/build/demo-files.txt"
cp "$cross/VLSetup.exe" "$cross/VLUninstall.exe" "$demo/"
# vlpack puts every file into one section without shortcuts; the demo moves the
# manual into its own section and gives the installed files their shortcuts.
awk -F'", "' 'BEGIN { OFS = "\", \"" }
    {
        installs = $6 == "0" || $7 == "1"
        if ($2 ~ /manual\.txt$/) { $3 = "Manual"; if (installs) { $9 = "1"; $10 = "Manual\");" } }
        if ($2 ~ /demo\.exe$/ && installs) { $9 = "1"; $10 = "Velmora Demo\");" }
        if ($2 ~ /readme\.txt$/ && installs) { $9 = "1"; $10 = "Read me\");" }
        print
    }' "$root/build/demo-files.txt" >"$root/build/demo-files-edited.txt"
awk -v files="$root/build/demo-files-edited.txt" '
    /^\/\/ FILES$/ { while ((getline line < files) > 0) print line; next }
    { print }' examples/demo/SetupScript.ini | sed 's/$/\r/' >"$demo/SetupScript.ini"
rm "$root/build/demo-files.txt" "$root/build/demo-files-edited.txt"
echo "== checking the script with vlcheck"
build/native/vlcheck --disks "$demo" "$demo/SetupScript.ini"

vl_wine_warm_up
# A fresh demo each time: remove what an earlier run installed.
programs="Program Files (x86)"
[ "$VL_WINE_BITS" = 64 ] && programs="Program Files"
installed="$WINEPREFIX/drive_c/$programs/Velmora Demo"
rm -rf "$installed"
rm -rf "$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora Demo"

if [ -n "${VL_QUIET:-}" ]; then
    echo "== installing unattended: VLSetup.exe /quiet /log=install.log"
    (cd "$demo" && "$VL_WINE" VLSetup.exe /quiet /log=install.log) || status=$?
    echo "exit code ${status:-0}"
    echo "== install.log"
    tr -d '\r' <"$demo/install.log" | iconv -f CP1252 -t UTF-8
elif [ "$headless" = 0 ]; then
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

echo "== installed files in C:\\$programs\\Velmora Demo"
ls -l "$installed" 2>/dev/null || echo "(none)"
if [ -f "$installed/Uninstall.log" ]; then
    echo "== Uninstall.log"
    tr -d '\r' <"$installed/Uninstall.log" | iconv -f CP1252 -t UTF-8
fi
exit "${status:-0}"
