#!/usr/bin/env bash
# olvex against shred, dd, srm/sfill (secure-delete) and scrub on the same targets, in one run,
# side by side: a 1 GiB file (one pass of zeros, then one random pass), a 1 GiB device image,
# 10,000 small files, and the free space of a 256 MiB tmpfs. Each contender writes one pass,
# flushed to the medium (olvex --scheme=zero or ran; shred -n0 -z or -n1; srm/sfill -llz;
# scrub -p fillzero or random; dd from /dev/zero with fsync). srm is left out of the 1 GiB file:
# it syncs every write and takes minutes there. Every round runs each contender of
# a workload once, in turn; the median of the rounds is reported, with MB/s, olvex's speed as a
# multiple of each peer's, and olvex against the fastest peer; for the 1 GiB file also olvex's random
# pass against its pass of zeros, and the same ratio for dd writing either from memory. The
# machine's load is printed with every workload: figures taken under load are noisy, compare only
# within one run.
# After the random pass it prints how promptly olvex would see an abort there: the longest time
# between two of the engine's abort checks during a job like olvex's on the same 1 GiB file,
# taken from outside the product by bench_engine_check_gaps.
# Last, the free space of a 1 GiB ext4 image loop-mounted here: files of a marker text are
# written, synced and deleted, then each contender fills the free space (olvex, sfill -llz, dd of
# zeros with direct writes until full + rm); besides the time, the bytes of marker text still in
# the raw image afterwards are reported. olvex says what it could not reach and exits 1 then;
# peers say nothing.
# A peer that is not installed is reported as such. secure-delete comes with ./build.sh; scrub,
# the fastest peer on files, is not a dependency: install it for the run (apt-get install scrub).
# Usage (as root, after ./build.sh build): bench/olvex_vs_peers.sh [build dir (build/native)]
# Environment: OLVEX_BENCH_ROUNDS (3). Everything it touches it creates in a folder of its own
# under $TMPDIR (or /tmp) and removes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
rounds=${OLVEX_BENCH_ROUNDS:-3}
olvex=$build/console/olvex
images=$build/tests/olvex_images
check_gaps=$build/bench/bench_engine_check_gaps
for p in "$olvex" "$images" "$check_gaps"; do [ -x "$p" ] || { echo "missing $p: run ./build.sh build first" >&2; exit 2; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/olvex-bench.XXXXXX")
fs=$work/fs
ext=$work/ext4
loop=""
mem=""
cleanup() {
    [ -n "$mem" ] && rm -rf "$mem"
    mountpoint -q "$fs" && umount "$fs"
    mountpoint -q "$ext" && umount "$ext"
    [ -n "$loop" ] && losetup -d "$loop"
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

mib=1048576
big=$((1024 * mib))
declare -A times bytes_of missing_tool

have() { command -v "$1" >/dev/null; }

# time_it NAME BYTES COMMAND...: runs the command once, adds its seconds to NAME's rounds.
time_it() {
    local name=$1; bytes_of[$1]=$2; shift 2
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/last.out" 2>&1 || { echo "$name failed:"; cat "$work/last.out"; exit 1; }
    end=$(date +%s.%N)
    times[$name]+="$(awk "BEGIN { print $end - $start }") "
}

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# report GROUP OLVEX PEER...: the workload's table; olvex's line first.
report() {
    local group=$1 base=$2 name s base_s best="" best_s=""
    shift 2
    base_s=$(median "${times[$base]}")
    printf '\n%s (median of %s; load %s)\n' "$group" "$rounds" "$(cut -d' ' -f1-3 /proc/loadavg)"
    printf '  %-34s %9s %9s %9s\n' tool seconds MB/s "olvex x"
    for name in "$base" "$@"; do
        if [ -n "${missing_tool[$name]:-}" ]; then
            printf '  %-34s not installed (%s)\n' "$name" "${missing_tool[$name]}"
            continue
        fi
        s=$(median "${times[$name]}")
        printf '  %-34s %9.2f %9.1f %9.2f\n' "$name" "$s" "$(awk "BEGIN { print ${bytes_of[$name]} / $s / 1000000 }")" \
               "$(awk "BEGIN { print $s / $base_s }")"
        if [ "$name" != "$base" ] && { [ -z "$best_s" ] || awk "BEGIN { exit !($s < $best_s) }"; }; then
            best=$name best_s=$s
        fi
    done
    [ -n "$best" ] && printf '  olvex vs the fastest peer (%s): %.2fx\n' "$best" "$(awk "BEGIN { print $best_s / $base_s }")"
}

random_file() { head -c "$2" /dev/urandom >"$1"; }

# contender NAME TOOL: true when TOOL is installed; otherwise records NAME as missing.
contender() {
    have "$2" && return 0
    missing_tool[$1]=$2
    return 1
}

# file_round NAME TOOL COMMAND...: one round on a fresh 1 GiB file of random bytes.
file_round() {
    local name=$1 tool=$2; shift 2
    contender "$name" "$tool" || return 0
    random_file "$work/big" $big
    time_it "$name" $big "$@"
    rm -f "$work/big"
}

echo "olvex against its peers, $rounds rounds; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. One 1 GiB file: a pass of zeros, then a random pass.
for ((r = 0; r < rounds; r++)); do
    file_round "olvex --scheme=zero" "$olvex" "$olvex" --wipe=file -k --scheme=zero "$work/big"
    file_round "shred -n0 -z -u" shred shred -n0 -z -u "$work/big"
    file_round "dd zero, conv=fsync + rm" dd sh -c \
        "dd if=/dev/zero of='$work/big' bs=64K count=16384 conv=notrunc,fsync status=none && rm '$work/big'"
    file_round "scrub -p fillzero -r" scrub scrub -S -p fillzero -r "$work/big"
done
report "1 GiB file, zeros" "olvex --scheme=zero" "shred -n0 -z -u" "dd zero, conv=fsync + rm" "scrub -p fillzero -r"

for ((r = 0; r < rounds; r++)); do
    file_round "olvex --scheme=ran" "$olvex" "$olvex" --wipe=file -k --scheme=ran "$work/big"
    file_round "shred -n1 -u" shred shred -n1 -u "$work/big"
    file_round "scrub -p random -r" scrub scrub -S -p random -r "$work/big"
done
report "1 GiB file, random" "olvex --scheme=ran" "shred -n1 -u" "scrub -p random -r"
printf '  olvex random / zero (same run): %.2f\n' \
    "$(awk "BEGIN { print $(median "${times[olvex --scheme=ran]}") / $(median "${times[olvex --scheme=zero]}") }")"
# The medium's own share of that ratio: dd writing 1 GiB held in memory over the same file in
# place (direct, 4 MiB requests), random bytes against zeros. A disk or host that stores zeros
# more cheaply slows every random pass, olvex's or not.
if mem=$(mktemp -d /dev/shm/olvex-bench.XXXXXX 2>/dev/null); then
    head -c $big /dev/zero >"$mem/zero"
    random_file "$mem/random" $big
    random_file "$work/big" $big
    for ((r = 0; r < rounds; r++)); do
        for c in zero random; do
            time_it "dd $c from memory" $big \
                dd if="$mem/$c" of="$work/big" bs=4M conv=notrunc,fsync oflag=direct status=none
        done
    done
    rm -rf "$mem" "$work/big"
    mem=""
    printf '  dd random / zero from memory, in place (the medium alone): %.2f\n' \
        "$(awk "BEGIN { print $(median "${times[dd random from memory]}") / $(median "${times[dd zero from memory]}") }")"
fi
random_file "$work/big" $big
sync
printf '  olvex, %s\n' "$("$check_gaps" 1 "$work/big")"
rm -f "$work/big"

# 2. A 1 GiB device image: olvex sees it as physical device 0 through the image target provider.
random_file "$work/dev.img" $big
contender "scrub -p fillzero (device)" scrub
for ((r = 0; r < rounds; r++)); do
    time_it "olvex --wipe=dev --scheme=zero" $big \
        "$images" --sandbox="$work" "--device=0|$work/dev.img|-" -- --wipe=dev -k --scheme=zero 0
    time_it "shred -n0 -z (device)" $big shred -n0 -z "$work/dev.img"
    time_it "dd zero, conv=fsync (device)" $big \
        dd if=/dev/zero of="$work/dev.img" bs=64K count=16384 conv=notrunc,fsync status=none
    have scrub && time_it "scrub -p fillzero (device)" $big scrub -S -f -p fillzero "$work/dev.img"
done
report "1 GiB device image" "olvex --wipe=dev --scheme=zero" "shred -n0 -z (device)" \
    "dd zero, conv=fsync (device)" "scrub -p fillzero (device)"
rm -f "$work/dev.img"

# 3. 10,000 small files (1 to 8 KiB) in 100 folders, one pass and one rename where a tool has a
# choice; every round copies the same tree.
mkdir -p "$work/template"
for d in $(seq 1 100); do
    mkdir "$work/template/d$d"
    for f in $(seq 1 100); do head -c $(((RANDOM % 8 + 1) * 1024)) /dev/urandom >"$work/template/d$d/f$f"; done
done
tree_bytes=$(du -sb "$work/template" | cut -f1)
tree_round() {  # tree_round NAME TOOL COMMAND...
    local name=$1 tool=$2; shift 2
    contender "$name" "$tool" || return 0
    rm -rf "$work/tree" && cp -a "$work/template" "$work/tree" && sync
    time_it "$name" "$tree_bytes" "$@"
}
for ((r = 0; r < rounds; r++)); do
    tree_round "olvex --scheme=zero --rename=1" "$olvex" "$olvex" --wipe=file -k --scheme=zero --rename=1 "$work/tree"
    tree_round "shred -n0 -z -u + rm -r" shred sh -c \
        "find '$work/tree' -type f -exec shred -n0 -z -u {} + && rm -r '$work/tree'"
    tree_round "srm -r -llz" srm srm -r -llz "$work/tree"
done
report "10,000 small files" "olvex --scheme=zero --rename=1" "shred -n0 -z -u + rm -r" "srm -r -llz"
rm -rf "$work/tree" "$work/template"

# 4. The free space of a 256 MiB tmpfs mounted here (and nothing else).
mkdir -p "$fs"
mount -t tmpfs -o size=256m oblivar-bench "$fs" || { echo "cannot mount a tmpfs here" >&2; exit 1; }
[ "$(stat -f -c %T "$fs")" = tmpfs ] || { echo "$fs is not the tmpfs" >&2; exit 1; }
space=$((256 * mib))
contender "sfill -llz" sfill
contender "scrub -p fillzero -X" scrub
for ((r = 0; r < rounds; r++)); do
    time_it "olvex --wipe=fspc --scheme=zero" $space "$olvex" --wipe=fspc -k --scheme=zero "$fs/"
    have sfill && time_it "sfill -llz" $space sfill -llz "$fs"
    if have scrub; then
        time_it "scrub -p fillzero -X" $space scrub -S -p fillzero -X "$fs/scrub"
        rm -rf "$fs/scrub"
    fi
    time_it "dd zero until full + rm" $space sh -c \
        "dd if=/dev/zero of='$fs/fill' bs=64K status=none 2>/dev/null; sync; rm '$fs/fill'"
done
report "256 MiB tmpfs free space" "olvex --wipe=fspc --scheme=zero" "sfill -llz" "scrub -p fillzero -X" \
    "dd zero until full + rm"
umount "$fs"

# 5. The free space of a 1 GiB ext4 image (sparse, in the work folder), loop-mounted here.
marker="OBLIVAR-BENCH-DELETED-TEXT-0123456789"
declare -A left_of
# ext4_round NAME TOOL COMMAND...: a fresh image with 400 MiB of deleted marker text; times the
# command (exit 0, or 1 for olvex's "not completely successful"), then counts what is left.
ext4_round() {
    local name=$1 tool=$2; shift 2
    contender "$name" "$tool" || return 0
    rm -f "$work/ext4.img" && truncate -s 1G "$work/ext4.img" && mkfs.ext4 -q -F -b 4096 "$work/ext4.img" || exit 1
    loop=$(losetup -f --show "$work/ext4.img") || { echo "cannot attach a loop device" >&2; exit 1; }
    [ "$(cat "/sys/block/${loop#/dev/}/loop/backing_file")" = "$work/ext4.img" ] || { echo "$loop is not the image" >&2; exit 1; }
    mkdir -p "$ext" && mount "$loop" "$ext" || exit 1
    mkdir -p "$ext/a/b" "$ext/c"
    yes "$marker" | head -c $((300 * mib)) >"$ext/a/b/one"
    yes "$marker" | head -c $((100 * mib)) >"$ext/c/two"
    sync && rm "$ext/a/b/one" "$ext/c/two" && sync
    local start end rc
    bytes_of[$name]=$(($(stat -f -c '%f * %S' "$ext")))
    start=$(date +%s.%N)
    "$@" >"$work/last.out" 2>&1
    rc=$?
    end=$(date +%s.%N)
    if [ $rc -ne 0 ] && ! { [ "$tool" = "$olvex" ] && [ $rc -eq 1 ]; }; then echo "$name failed:"; cat "$work/last.out"; exit 1; fi
    times[$name]+="$(awk "BEGIN { print $end - $start }") "
    umount "$ext" && losetup -d "$loop" && loop=""
    left_of[$name]+="$(($(grep -a -o "$marker" "$work/ext4.img" | wc -l) * (${#marker} + 1))) "
    rm -f "$work/ext4.img"
}
for ((r = 0; r < rounds; r++)); do
    ext4_round "olvex --wipe=fspc --scheme=zero" "$olvex" "$olvex" --wipe=fspc -k --scheme=zero "$ext/"
    ext4_round "dd zero direct until full + rm" dd sh -c \
        "dd if=/dev/zero of='$ext/fill' bs=4M oflag=direct status=none 2>/dev/null; sync; rm '$ext/fill'"
    ext4_round "sfill -llz" sfill sfill -llz "$ext"
done
report "1 GiB ext4 image free space" "olvex --wipe=fspc --scheme=zero" "dd zero direct until full + rm" "sfill -llz"
printf '  deleted text left in the image, bytes per round:\n'
for name in "olvex --wipe=fspc --scheme=zero" "dd zero direct until full + rm" "sfill -llz"; do
    [ -n "${missing_tool[$name]:-}" ] || printf '  %-34s %s\n' "$name" "${left_of[$name]}"
done
