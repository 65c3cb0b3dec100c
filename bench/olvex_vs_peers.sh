#!/usr/bin/env bash
# olvex against shred, dd, srm/sfill (secure-delete) and scrub on the same targets, in one run,
# side by side: a 1 GiB file (one pass of zeros, then one random pass), a 1 GiB device image,
# 10,000 small files, and the free space of a 256 MiB tmpfs. Each contender writes one pass,
# flushed to the medium (olvex --scheme=zero or ran; shred -n0 -z or -n1; srm/sfill -llz;
# scrub -p fillzero or random; dd from /dev/zero with fsync). Prints seconds, MB/s and the
# contender's speed relative to olvex's (above 1: the contender was faster).
# A peer that is not installed is reported as such; secure-delete and scrub may be installed by
# hand for the measurement.
# Usage (as root, after ./build.sh build): bench/olvex_vs_peers.sh [build dir (build/native)]
# Everything it touches it creates in a folder of its own under $TMPDIR (or /tmp) and removes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
olvex=$build/console/olvex
images=$build/tests/olvex_images
for p in "$olvex" "$images"; do [ -x "$p" ] || { echo "missing $p: run ./build.sh build first" >&2; exit 2; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/olvex-bench.XXXXXX")
fs=$work/fs
cleanup() { mountpoint -q "$fs" && umount "$fs"; rm -rf --one-file-system "$work"; }
trap cleanup EXIT

mib=1048576
declare -A secs
results=()

have() { command -v "$1" >/dev/null; }

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

# missing NAME TOOL: records a contender whose program is not installed.
missing() { results+=("$1|-$2"); }

random_file() { head -c "$2" /dev/urandom >"$1"; }

report() {
    local group=$1 base=$2 line name bytes s
    printf '\n%s\n' "$group"
    printf '  %-36s %9s %10s %9s\n' tool seconds MB/s "vs olvex"
    for line in "${results[@]}"; do
        name=${line%%|*}; bytes=${line##*|}
        [[ $name == "$group:"* ]] || continue
        if [[ $bytes == -* ]]; then
            printf '  %-36s %s\n' "${name#"$group": }" "not installed (${bytes#-})"
            continue
        fi
        s=${secs[$name]}
        printf '  %-36s %9.2f %10.1f %9.2f\n' "${name#"$group": }" "$s" \
               "$(awk "BEGIN { print $bytes / $s / 1000000 }")" "$(awk "BEGIN { print ${secs[$base]} / $s }")"
    done
}

# 1. One 1 GiB file: a pass of zeros, then a random pass.
g="1 GiB file, zeros"
big=$((1024 * mib))
run_file() {  # run_file NAME TOOL COMMAND...
    local name=$1 tool=$2; shift 2
    if ! have "$tool"; then missing "$name" "$tool"; return; fi
    random_file "$work/big" $big
    time_it "$name" $big "$@"
    rm -f "$work/big"
}
run_file "$g: olvex --scheme=zero" "$olvex" "$olvex" --wipe=file -k --scheme=zero "$work/big"
run_file "$g: shred -n0 -z -u" shred shred -n0 -z -u "$work/big"
run_file "$g: dd zero, conv=fsync + rm" dd sh -c \
    "dd if=/dev/zero of='$work/big' bs=64K count=16384 conv=notrunc,fsync status=none && rm '$work/big'"
run_file "$g: srm -llz" srm srm -llz "$work/big"
run_file "$g: scrub -p fillzero -r" scrub scrub -S -p fillzero -r "$work/big"
report "$g" "$g: olvex --scheme=zero"

g="1 GiB file, random"
run_file "$g: olvex --scheme=ran" "$olvex" "$olvex" --wipe=file -k --scheme=ran "$work/big"
run_file "$g: shred -n1 -u" shred shred -n1 -u "$work/big"
run_file "$g: srm -ll" srm srm -ll "$work/big"
run_file "$g: scrub -p random -r" scrub scrub -S -p random -r "$work/big"
report "$g" "$g: olvex --scheme=ran"

# 2. A 1 GiB device image: olvex sees it as physical device 0 through the image target provider.
g="1 GiB device image"
random_file "$work/dev.img" $big
time_it "$g: olvex --wipe=dev --scheme=zero" $big \
    "$images" --sandbox="$work" "--device=0|$work/dev.img|-" -- --wipe=dev -k --scheme=zero 0
time_it "$g: shred -n0 -z" $big shred -n0 -z "$work/dev.img"
time_it "$g: dd zero, conv=fsync" $big \
    dd if=/dev/zero of="$work/dev.img" bs=64K count=16384 conv=notrunc,fsync status=none
if have scrub; then
    time_it "$g: scrub -p fillzero" $big scrub -S -f -p fillzero "$work/dev.img"
else
    missing "$g: scrub -p fillzero" scrub
fi
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
if have srm; then
    bytes=$(make_tree)
    time_it "$g: srm -r -llz" "$bytes" srm -r -llz "$work/tree"
else
    missing "$g: srm -r -llz" srm
fi
report "$g" "$g: olvex --scheme=zero"
rm -rf "$work/tree"

# 4. The free space of a 256 MiB tmpfs mounted here (and nothing else).
g="256 MiB tmpfs free space"
mkdir -p "$fs"
mount -t tmpfs -o size=256m oblivar-bench "$fs" || { echo "cannot mount a tmpfs here" >&2; exit 1; }
[ "$(stat -f -c %T "$fs")" = tmpfs ] || { echo "$fs is not the tmpfs" >&2; exit 1; }
space=$((256 * mib))
time_it "$g: olvex --wipe=fspc --scheme=zero" $space "$olvex" --wipe=fspc -k --scheme=zero "$fs/"
if have sfill; then
    time_it "$g: sfill -llz" $space sfill -llz "$fs"
else
    missing "$g: sfill -llz" sfill
fi
if have scrub; then
    time_it "$g: scrub -p fillzero -X" $space scrub -S -p fillzero -X "$fs/scrub"
    rm -rf "$fs/scrub"
else
    missing "$g: scrub -p fillzero -X" scrub
fi
time_it "$g: dd zero until full + rm" $space sh -c \
    "dd if=/dev/zero of='$fs/fill' bs=64K status=none 2>/dev/null; sync; rm '$fs/fill'"
report "$g" "$g: olvex --wipe=fspc --scheme=zero"
