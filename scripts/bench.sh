#!/bin/bash
# The benchmark: builds what it needs and prints one table, every figure
# measured in this run and in one Wine prefix (build/wineprefix-bench*):
# - copy work of VLSetup.exe (a run with N small files of 4 KiB and one large
#   file, 100/1,000/5,000 beside 1 MiB and 500 beside 200 MiB, minus a run
#   without files) against bare loops over the version
#   service (VerInstallFileA) and over CopyFileA on the same payload, each also
#   minus its run without files; best of VL_BENCH_ROUNDS (default 3);
# - how long the copy page takes to answer another process during one 1 GiB
#   file (the longest wait for WM_NULL);
# - peak working set while joining a split file of two 200 MiB parts, minus a
#   run without files;
# - time from the splash window to the first page, minus the splash pause of
#   1,250 ms;
# - reading 100,000 AddFile statements in the native optimised build;
# - size and imported DLLs of the shipping 32-bit exe.
# Payloads live in build/bench/ (about 1.7 GB) and are made once.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
rounds="${VL_BENCH_ROUNDS:-3}"
export VL_FORCE_XVFB=1
export VL_WINEPREFIX="${VL_WINEPREFIX:-$root/build/wineprefix-bench}"
source scripts/wine-env.sh

echo "== building" >&2
cross="$VL_CROSS_DIR"
cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$VL_CROSS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DVL_BENCH=ON >/dev/null
cmake --build "$cross" -j"$jobs" --target VLSetup bench_install_loop bench_run_timer >/dev/null
cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DVL_BENCH=ON >/dev/null
cmake --build build/bench-native -j"$jobs" --target bench_read_script >/dev/null
# The exe that ships is the 32-bit one, whatever this host can run.
cmake -S . -B build/cross -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/cross -j"$jobs" --target VLSetup >/dev/null

bench="$root/build/bench"
drive="$WINEPREFIX/drive_c/vlbench"
mkdir -p "$bench"
windows() { echo "Z:${1//\//\\}"; }
setup="$(windows "$root/$cross/VLSetup.exe")"
timer="$root/$cross/bench_run_timer.exe"
loop="$root/$cross/bench_install_loop.exe"

# A setup directory with disk1/ and a script that installs its files without
# a page before the copy page: make_setup NAME SCRIPT_LINES_FILE
write_script() {
    local dir="$1" body="$2"
    {
        printf 'SetAppName("VL Bench %s");\r\n' "$(basename "$dir")"
        printf 'SetVariable("DP", "C:\\vlbench\\out\\%s\\");\r\n' "$(basename "$dir")"
        printf 'CreateSection("Main", "1", "0", "m");\r\n'
        printf '%s' "$body"
        printf 'ShowCopy();\r\n'
    } >"$dir/SetupScript.ini"
}

# N files of 4 KiB and one of LARGE MiB: small_payload N LARGE
small_payload() {
    local n="$1" large="$2" dir="$bench/$(payload_name "$1" "$2")"
    [ -f "$dir/done" ] && return 0
    rm -rf "$dir" && mkdir -p "$dir/disk1"
    head -c $((n * 4096)) /dev/urandom | (cd "$dir/disk1" && split -b 4096 -a 5 -d --additional-suffix=.dat - f)
    head -c $((large * 1024 * 1024)) /dev/urandom >"$dir/disk1/large.dat"
    local body="" name
    for name in $(cd "$dir/disk1" && ls); do
        body+="AddFile(\"[SP]\\disk1\\$name\", \"[DP]\\$name\", \"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");"$'\r\n'
    done
    write_script "$dir" "$body"
    touch "$dir/done"
}

echo "== preparing payloads in $bench" >&2
mkdir -p "$bench/files-0/disk1"
write_script "$bench/files-0" ""
payload_name() { [ "$2" = 1 ] && echo "files-$1" || echo "files-$1-$2"; }
payloads=("100 1" "1000 1" "5000 1" "500 200")
for p in "${payloads[@]}"; do small_payload $p; done
if [ ! -f "$bench/huge/done" ]; then
    rm -rf "$bench/huge" && mkdir -p "$bench/huge/disk1"
    head -c $((1024 * 1024 * 1024)) /dev/urandom >"$bench/huge/disk1/huge.dat"
    write_script "$bench/huge" "AddFile(\"[SP]\\disk1\\huge.dat\", \"[DP]\\huge.dat\", \"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");"$'\r\n'
    touch "$bench/huge/done"
fi
if [ ! -f "$bench/split/done" ]; then
    rm -rf "$bench/split" && mkdir -p "$bench/split/disk1" "$bench/split/disk2"
    head -c $((200 * 1024 * 1024)) /dev/urandom >"$bench/split/disk1/joined.dat"
    head -c $((200 * 1024 * 1024)) /dev/urandom >"$bench/split/disk2/joined.dat"
    write_script "$bench/split" "AddFile(\"[SP]\\disk1\\joined.dat\", \"[DP]\\joined.dat\", \"Main\", \"0\", \"1\", \"1\", \"0\", \"0\", \"0\", \"\");"$'\r\n'"AddFile(\"[SP]\\disk2\\joined.dat\", \"[DP]\\joined.dat\", \"Main\", \"0\", \"2\", \"1\", \"1\", \"0\", \"0\", \"\");"$'\r\n'
    touch "$bench/split/done"
fi
mkdir -p "$bench/page"
printf 'SetAppName("VL Bench page");\r\nShowWelcome();\r\n' >"$bench/page/SetupScript.ini"

vl_wine_warm_up
ms_now() { date +%s%3N; }
# Milliseconds of one run of a command, after removing what earlier runs made.
timed() {
    rm -rf "$drive" "$drive-loop"
    local start end
    start=$(ms_now)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
    end=$(ms_now)
    echo $((end - start))
}
best_of() {
    local best=999999999 t i
    for ((i = 0; i < rounds; i++)); do
        t=$(timed "$@")
        [ "$t" -lt "$best" ] && best=$t
    done
    echo "$best"
}
run_setup() { (cd "$bench/$1" && "$VL_WINE" "$setup"); }
# The same depth and names as the setup's destination, C:\vlbench\out\NAME.
run_loop() { "$VL_WINE" "$loop" "$1" "$(windows "$bench/$2/disk1")" "C:\\vlbench-loop\\out\\$2"; }

echo "== measuring ($rounds rounds each)" >&2
setup_empty=$(best_of run_setup files-0)
ver_empty=$(best_of run_loop ver files-0)
copy_empty=$(best_of run_loop copy files-0)
rows=()
for p in "${payloads[@]}"; do
    read -r n large <<<"$p"
    name=$(payload_name "$n" "$large")
    ours=$(($(best_of run_setup "$name") - setup_empty))
    ver=$(($(best_of run_loop ver "$name") - ver_empty))
    copy=$(($(best_of run_loop copy "$name") - copy_empty))
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
    rows+=("| copy work, $n files of 4 KiB + $large MiB | $ours ms | $ver ms | $copy ms | $(ratio "$ours" "$ver") | $(ratio "$ours" "$copy") |")
done

rm -rf "$drive"
read -r _ _ _ answer _ < <(cd "$bench/huge" && "$VL_WINE" "$timer" "$setup" . --probe | tr -d '\r')
rm -rf "$drive"
read -r _ _ empty_peak _ _ < <(cd "$bench/files-0" && "$VL_WINE" "$timer" "$setup" . | tr -d '\r')
read -r _ _ split_peak _ _ < <(cd "$bench/split" && "$VL_WINE" "$timer" "$setup" . | tr -d '\r')
rm -rf "$drive"
first=999999
for ((i = 0; i < rounds; i++)); do
    read -r _ page _ _ splash < <(cd "$bench/page" && "$VL_WINE" "$timer" "$setup" . --until-page | tr -d '\r')
    # From the splash window's appearance: the start of Wine itself does not count.
    page=$(awk -v p="$page" -v s="$splash" 'BEGIN { printf "%d", p - s }')
    [ "$page" -lt "$first" ] && first=$page
done
# The first round meets fresh memory, as a run of the wizard or of vlcheck does.
read -r reader script_bytes < <(build/bench-native/bench_read_script "$bench/read-script.ini" 2>"$bench/read-first.txt")
reader_first=$(awk '{ print $3 }' "$bench/read-first.txt")
exe32="$root/build/cross/VLSetup.exe"
imports=$(i686-w64-mingw32-objdump -p "$exe32" | awk '/DLL Name/ { print $3 }' | sort | tr '\n' ' ')

echo
echo "Benchmark of $(git rev-parse --short HEAD), $(date -u +%Y-%m-%d), $(nproc) cores, $("$VL_WINE" --version 2>/dev/null || echo wine) ($VL_WINE_BITS-bit run)"
echo
echo "| measure | ours | VerInstallFileA loop | CopyFileA loop | ours / VerInstallFileA | ours / CopyFileA |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "| measure | value |"
echo "|---|---|"
echo "| longest wait for an answer of the copy page during one 1 GiB file | $answer ms |"
echo "| peak working set joining two parts of 200 MiB, minus a run without files | $((split_peak - empty_peak)) KiB |"
echo "| first page after the splash pause (from the splash window, best of $rounds) | $((first - 1250)) ms |"
echo "| reading 100,000 AddFile statements ($((script_bytes / 1000000)) MB), native -O3, best of 5 (first round) | $reader ms ($reader_first ms) |"
echo "| VLSetup.exe, 32-bit Release | $(stat -c %s "$exe32") bytes |"
echo "| imported DLLs | $imports|"
