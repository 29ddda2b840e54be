#!/bin/bash
# Builds the libFuzzer targets of the platform-free core (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) in build/fuzz and runs each
# for a bounded time on a fresh copy of its seed corpus from tests/fuzz/corpus.
# Any finding (crash, sanitizer report, broken property, leak, timeout, memory
# blow-up) fails the script; the input that caused it is kept in
# build/fuzz/findings/. VL_FUZZ_SECONDS sets the time per target (default 60).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
seconds="${VL_FUZZ_SECONDS:-60}"
jobs=$(nproc 2>/dev/null || echo 2)
targets=(fuzz_script_reader fuzz_expand_references fuzz_ini_parse fuzz_uninstall_log fuzz_command_line)

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVL_FUZZ=ON -DVL_SANITIZE=ON >/dev/null
cmake --build build/fuzz -j"$jobs" --target "${targets[@]}"

findings="$root/build/fuzz/findings"
mkdir -p "$findings"
failed=()
for target in "${targets[@]}"; do
    work="$root/build/fuzz/run/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp "tests/fuzz/corpus/$target"/* "$work/corpus/"
    echo "-- $target: ${seconds} s"
    # Lines of the profile file are cut at 4095 characters; longer inputs
    # reach that rule and what follows a cut line.
    max_len=4096
    [ "$target" = fuzz_expand_references ] || max_len=16384
    status=0
    "build/fuzz/tests/fuzz/$target" "$work/corpus" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
        -artifact_prefix="$findings/$target-" -print_final_stats=1 \
        >"$work/log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAILED: $target (exit $status); log $work/log, input in $findings/"
        tail -n 60 "$work/log"
        failed+=("$target")
    else
        grep -E '^stat::number_of_executed_units|^Done ' "$work/log" | tr '\n' ' '
        echo
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}"
    exit 1
fi
echo "fuzzing found nothing"
