#!/bin/bash
# The floppy round trip: vlpack lays a tree of many small files and a split
# file out for 720K, 1.2M, 1.44M and 2.88M floppies, each disk is copied onto a freshly
# formatted FAT image with mtools (nothing may be "Disk full"), and the files
# read back from the images, joined as the AddFile lines say (and expanded
# where compressed), must equal the tree byte for byte.
# usage: bash scripts/floppy-roundtrip.sh [BUILD_DIR]   (where vlpack and vlcheck are; build/asan)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/asan}"
export PATH="$PATH:/usr/sbin:/sbin"
for tool in mkfs.fat mcopy; do
    if ! command -v "$tool" >/dev/null; then
        echo "floppy round trip skipped: no $tool (Debian packages dosfstools and mtools)"
        exit 0
    fi
done
fail() { echo "floppy round trip: $*" >&2; exit 1; }
work="$build/floppy-roundtrip"
rm -rf "$work"
mkdir -p "$work"
export MTOOLS_SKIP_CHECK=1

# The tree: 900 small files in folders of short, long and mixed-case names, a
# text that compresses, and a file of 1.6 MB that no floppy holds whole.
tree="$work/tree"
mkdir -p "$tree/docs/Release Notes" "$tree/bin" "$tree/data"
for i in $(seq 1 300); do
    head -c $((i * 7 % 1500 + 1)) /dev/urandom >"$tree/data/f$i.bin"
    head -c $((i * 13 % 700)) /dev/urandom >"$tree/bin/Module_Number_$i.dll"
    seq "$i" $((i * 3)) >"$tree/docs/Release Notes/Change Log $i.txt"
done
head -c 1600000 /dev/urandom >"$tree/bin/large.dat"
seq 1 40000 >"$tree/docs/numbers.txt"
setup="$work/setup"
mkdir -p "$setup"
head -c 493056 /dev/urandom >"$setup/VLSetup.exe"
head -c 200000 /dev/urandom >"$setup/VLUninstall.exe"

# round NAME SIZE KIB [vlpack options]: pack, copy onto images, read back, join, compare.
round() {
    local name=$1 size=$2 kib=$3
    shift 3
    local out="$work/$name" back="$work/$name-back" restored="$work/$name-restored"
    "$build/vlpack" --disk-size "$size" "$@" "$tree" "$out" >"$out.lines" 2>"$out.log" ||
        fail "$name: vlpack failed: $(cat "$out.log")"
    local lines="$out.lines"
    if [ -f "$out/SetupScript.ini" ]; then
        lines="$out/SetupScript.ini"
        if ! "$build/vlcheck" "$out/SetupScript.ini" >"$out.check" 2>&1 ||
            grep -qE ": (error|warning):" "$out.check"; then
            fail "$name: vlcheck finds fault with the script vlpack wrote: $(cat "$out.check")"
        fi
    fi
    mkdir -p "$back"
    local disks=0
    for disk in "$out"/disk*; do
        local image="$work/$name-$(basename "$disk").img"
        mkfs.fat -C "$image" "$kib" >/dev/null
        local copy=("$disk")
        if [ "$(basename "$disk")" = disk1 ] && [ -f "$out/SetupScript.ini" ]; then
            copy+=("$out/VLSetup.exe" "$out/VLUninstall.exe" "$out/SetupScript.ini")
        fi
        if ! mcopy -s -i "$image" "${copy[@]}" :: >"$image.log" 2>&1 || grep -q "Disk full" "$image.log"; then
            fail "$name: $(basename "$disk") does not fit a $size floppy: $(cat "$image.log")"
        fi
        mcopy -s -n -i "$image" "::/$(basename "$disk")" "$back/"
        disks=$((disks + 1))
    done
    # Join the parts in the order of the lines, as the wizard does.
    mkdir -p "$restored"
    tr -d '\r' <"$lines" | awk -F'", "' '/^AddFile\("\[SP\]\\disk/ {
            source = substr($1, 14); target = substr($2, 6)
            gsub(/\\/, "/", source); gsub(/\\/, "/", target)
            print source "\t" target "\t" ($6 == "0" || $7 == "1") }' |
        while IFS=$'\t' read -r source target whole; do
            mkdir -p "$(dirname "$restored/$target")"
            cat "$back/$source" >>"$restored/$target.joined"
            if [ "$whole" = 1 ]; then
                if cmp -s -n 4 "$restored/$target.joined" <(printf SZDD); then
                    msexpand <"$restored/$target.joined" >"$restored/$target"
                    rm "$restored/$target.joined"
                else
                    mv "$restored/$target.joined" "$restored/$target"
                fi
            fi
        done
    diff -r "$tree" "$restored" >"$work/$name.diff" ||
        fail "$name: the files read back differ from the tree: $(head -5 "$work/$name.diff")"
    echo "floppy round trip $name: $disks disks of $size, every file back byte for byte"
}

# The real VLSetup.exe is about 480 KiB: beside it and a script of 900 files,
# disk 1 of a 720K floppy has no room left for files.
round plain-720K 720K 720
round plain-1.2M 1.2M 1200
round plain-2.88M 2.88M 2880
if command -v msexpand >/dev/null; then
    round compressed-1.44M 1.44M 1440 --compress --with-setup "$setup"
else
    round setup-1.44M 1.44M 1440 --with-setup "$setup"
    echo "floppy round trip: compressed disks not tried: no msexpand (Debian package mscompress)"
fi
