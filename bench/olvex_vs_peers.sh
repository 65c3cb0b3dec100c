#!/usr/bin/env bash
# olvex against shred, dd and srm/sfill on the same targets, in one run, side by side:
#   a 1 GiB file, a 1 GiB device image, 10,000 small files, the free space of a 256 MiB tmpfs.
# Every contender does one pass of zeros (olvex --scheme=zero; shred -n0 -z; srm/sfill -llz;
# dd from /dev/zero), flushed to the medium. Prints seconds, MB/s and the ratio to olvex.
# Usage (as root, after ./build.sh build): bench/olvex_vs_peers.sh [build dir (build/native)]
# Everything it touches it creates in a folder of its own under $TMPDIR (or /tmp) and removes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
olvex=$build/console/olvex
images=$build/tests/olvex_images
for p in "$olvex" "$images"; do [ -x "$p" ] || { echo "missing $p: run ./build.sh build first" >&2; exit 2; }; done
for t in shred dd srm sfill; do command -v $t >/dev/null || { echo "missing $t (secure-delete, coreutils)" >&2; exit 2; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/olvex-bench.XXXXXX")
fs=$work/fs
cleanup() { mountpoint -q "$fs" && umount "$fs"; rm -rf --one-file-system "$work"; }
trap cleanup EXIT

mib=1048576
declare -A secs
results=()

# time_it NAME BYTES COMMAND...: runs the command, records its seconds.
time_it() {
    local name=$1 bytes=$2; shift 2
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/last.out" 2>&1 || { echo "$name failed:"; cat "$work/last.out"; exit 1; }
    end=$(date +%s.%N)
    secs[$name]=$(awk "BEGIN { print $end - $start }")
    results+=("$name|$bytes")
}

random_file() { head -c "$2" /dev/urandom >"$1"; }

report() {
    local group=$1 base=$2 line name bytes s
    printf '\n%s\n' "$group"
    printf '  %-34s %9s %10s %8s\n' tool seconds MB/s "vs olvex"
    for line in "${results[@]}"; do
        name=${line%%|*}; bytes=${line##*|}
        [[ $name == "$group"* ]] || continue
        s=${secs[$name]}
        printf '  %-34s %9.2f %10.1f %8.2f\n' "${name#$group: }" "$s" "$(awk "BEGIN { print $bytes / $s / 1000000 }")" \
               "$(awk "BEGIN { print ${secs[$base]} / $s }")"
    done
}

# 1. One 1 GiB file.
g="1 GiB file"
for tool in olvex shred dd srm; do
    random_file "$work/big" $((1024 * mib))
    case $tool in
        olvex) time_it "$g: olvex --scheme=zero" $((1024 * mib)) "$olvex" --wipe=file -k --scheme=zero "$work/big" ;;
        shred) time_it "$g: shred -n0 -z -u" $((1024 * mib)) shred -n0 -z -u "$work/big" ;;
        dd) time_it "$g: dd zero, conv=fsync + rm" $((1024 * mib)) sh -c \
            "dd if=/dev/zero of='$work/big' bs=64K count=16384 conv=notrunc,fsync status=none && rm '$work/big'" ;;
        srm) time_it "$g: srm -llz" $((1024 * mib)) srm -llz "$work/big" ;;
    esac
done
report "$g" "$g: olvex --scheme=zero"

# 2. A 1 GiB device image: olvex sees it as physical device 0 through the image target provider.
g="1 GiB device image"
random_file "$work/dev.img" $((1024 * mib))
time_it "$g: olvex --wipe=dev --scheme=zero" $((1024 * mib)) \
    "$images" --sandbox="$work" "--device=0|$work/dev.img|-" -- --wipe=dev -k --scheme=zero 0
time_it "$g: shred -n0 -z" $((1024 * mib)) shred -n0 -z "$work/dev.img"
time_it "$g: dd zero, conv=fsync" $((1024 * mib)) \
    dd if=/dev/zero of="$work/dev.img" bs=64K count=16384 conv=notrunc,fsync status=none
report "$g" "$g: olvex --wipe=dev --scheme=zero"
rm -f "$work/dev.img"

# 3. 10,000 small files (1 to 8 KiB) in 100 folders.
g="10,000 small files"
make_tree() {
    rm -rf "$work/tree"
    local d f
    for d in $(seq 1 100); do
        mkdir -p "$work/tree/d$d"
        for f in $(seq 1 100); do head -c $(( (RANDOM % 8 + 1) * 1024 )) /dev/urandom >"$work/tree/d$d/f$f"; done
    done
    du -sb "$work/tree" | cut -f1
}
bytes=$(make_tree)
time_it "$g: olvex --scheme=zero" "$bytes" "$olvex" --wipe=file -k --scheme=zero "$work/tree"
bytes=$(make_tree)
time_it "$g: shred -n0 -z -u + rm -r" "$bytes" sh -c "find '$work/tree' -type f -exec shred -n0 -z -u {} + && rm -r '$work/tree'"
bytes=$(make_tree)
time_it "$g: srm -r -llz" "$bytes" srm -r -llz "$work/tree"
report "$g" "$g: olvex --scheme=zero"

# 4. The free space of a 256 MiB tmpfs mounted here (and nothing else).
g="256 MiB tmpfs free space"
mkdir -p "$fs"
mount -t tmpfs -o size=256m oblivar-bench "$fs" || { echo "cannot mount a tmpfs here" >&2; exit 1; }
[ "$(stat -f -c %T "$fs")" = tmpfs ] || { echo "$fs is not the tmpfs" >&2; exit 1; }
time_it "$g: olvex --wipe=fspc --scheme=zero" $((256 * mib)) "$olvex" --wipe=fspc -k --scheme=zero "$fs/"
time_it "$g: sfill -llz" $((256 * mib)) sfill -llz "$fs"
time_it "$g: dd zero until full + rm" $((256 * mib)) sh -c \
    "dd if=/dev/zero of='$fs/fill' bs=64K status=none 2>/dev/null; sync; rm '$fs/fill'"
report "$g" "$g: olvex --wipe=fspc --scheme=zero"
