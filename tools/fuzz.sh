#!/usr/bin/env bash
# Fuzzes every reader of outside data with libFuzzer: builds build/fuzz/oblivar_fuzz with clang
# (-fsanitize=fuzzer,address,undefined) and runs each target of tests/fuzz/properties.cpp from
# its seeds in tests/fuzz/corpus. An input that breaks a property, crashes, leaks or runs past
# 5 s is copied to tests/fuzz/regressions/<target>/, which the normal test run replays on both
# builds (test_fuzz): commit it with the fix.
#   tools/fuzz.sh [TARGET...]   fuzz the targets named (default: all)
#   tools/fuzz.sh seeds         rewrite tests/fuzz/corpus with the project's own writers
#   tools/fuzz.sh list          name the targets
#   tools/fuzz.sh coverage      line coverage of each target's reader files by its corpus so far
# Each target runs until FUZZ_RUNS executions (default 1000000) or FUZZ_SECONDS (default 1800),
# whichever comes first. OBLIVAR_JOBS targets run at once (default 3), one core each. The grown
# corpora stay in build/fuzz/work/<target>/ and a later run goes on from them.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
jobs=${OBLIVAR_JOBS:-3}
runs=${FUZZ_RUNS:-1000000}
seconds=${FUZZ_SECONDS:-1800}
targets=(settings language bridge_args bridge_file console_args base64 stream)

"$root/build.sh" deps clang libclang-rt-14-dev || exit 1

# The files that hold each target's reader, for the coverage report.
declare -A reader_files=(
    [settings]="vandel/map_settings.cpp vandel/settings.cpp"
    [language]="services/interlang.cpp"
    [bridge_args]="services/command_bridge.cpp"
    [bridge_file]="services/command_bridge.cpp"
    [console_args]="console/argv_parser.cpp console/options.cpp"
    [base64]="vandel/base64.cpp"
    [stream]="vandel/stream.cpp vandel/memory_stream.cpp"
)

# Runs every target's corpus once through a build with clang's coverage instrumentation.
coverage() {
    local cov="$root/build/fuzz-cov" t files
    "$root/build.sh" deps llvm-14 || return 1
    CC=clang CXX=clang++ cmake -S "$root" -B "$cov" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
          -DOBLIVAR_TESTS=OFF -DOBLIVAR_BENCH=OFF -DOBLIVAR_FUZZ=ON \
          -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping -fconstexpr-steps=100000000" >/dev/null &&
    cmake --build "$cov" -j "$jobs" --target oblivar_fuzz || return 1
    for t in "${targets[@]}"; do
        mkdir -p "$cov/run/$t/tmp"
        rm -f "$cov/run/$t/"*.profraw
        OBLIVAR_FUZZ_TARGET=$t HOME="$cov/run/$t" TMPDIR="$cov/run/$t/tmp" LLVM_PROFILE_FILE="$cov/run/$t/%p.profraw" \
            "$cov/tests/fuzz/oblivar_fuzz" -runs=0 "$build/work/$t/corpus" "$root/tests/fuzz/corpus/$t" >/dev/null 2>&1
        llvm-profdata-14 merge -o "$cov/run/$t.profdata" "$cov/run/$t/"*.profraw || return 1
        files=()
        for f in ${reader_files[$t]}; do files+=("$root/$f"); done
        echo "== $t: $(llvm-cov-14 report "$cov/tests/fuzz/oblivar_fuzz" -instr-profile="$cov/run/$t.profdata" \
            "${files[@]}" | awk '/^TOTAL/ {print "lines " $10 " (" $8 - $9 " of " $8 "), branches " $13}')"
    done
}

case "${1:-}" in
    list) printf '%s\n' "${targets[@]}"; exit 0 ;;
    coverage) coverage; exit ;;
    seeds)
        cmake -S "$root" -B "$root/build/native" -G Ninja -DOBLIVAR_WERROR=ON >/dev/null &&
        cmake --build "$root/build/native" -j "$jobs" --target fuzz_seeds || exit 1
        rm -rf --one-file-system "$root/tests/fuzz/corpus"
        exec "$root/build/native/tests/fuzz_seeds" "$root/tests/fuzz/corpus" ;;
esac
(($# > 0)) && targets=("$@")

# The hash tables built at compile time take clang past its default count of constexpr steps.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
flags+=" -fconstexpr-steps=100000000"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DOBLIVAR_TESTS=OFF -DOBLIVAR_BENCH=OFF -DOBLIVAR_FUZZ=ON \
      -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null &&
cmake --build "$build" -j "$jobs" --target oblivar_fuzz || exit 1

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"

# Fuzzes one target in its own work folder, with a private HOME and temporary folder (the
# command-bridge targets write their path-list files there).
fuzz_one() {
    local t=$1 work="$build/work/$1"
    mkdir -p "$work/corpus" "$work/findings" "$work/home/tmp"
    rm -rf --one-file-system "$work/home/tmp"/*
    local extra=()
    [ "$t" = language ] && extra+=("$root/resources/zy-langs")
    (
        cd "$work" &&
        OBLIVAR_FUZZ_TARGET=$t HOME="$work/home" TMPDIR="$work/home/tmp" XDG_CONFIG_HOME="$work/home/.config" \
        "$build/tests/fuzz/oblivar_fuzz" -runs="$runs" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
            -max_len=4096 -print_final_stats=1 -artifact_prefix="$work/findings/" \
            "$work/corpus" "$root/tests/fuzz/corpus/$t" "${extra[@]}"
    ) >"$work/log" 2>&1
    local rc=$? f
    echo $rc >"$work/rc"
    for f in "$work/findings"/*; do
        [ -f "$f" ] && [[ $(basename "$f") != reported-* ]] || continue
        mkdir -p "$root/tests/fuzz/regressions/$t"
        cp "$f" "$root/tests/fuzz/regressions/$t/"
        mv "$f" "$work/findings/reported-$(basename "$f")"
    done
    local execs cov
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*/[0-9]*[a-zA-Z]*' "$work/log" | tail -1)
    if ((rc == 0)); then
        echo "== $t: ${execs:-?} executions, $cov, no finding"
    else
        echo "== $t: FINDING after ${execs:-?} executions ($cov); see $work/log"
        grep -m3 -E 'ERROR|broken|runtime error|Timeout|leak' "$work/log" | sed 's/^/   /'
    fi
}

for t in "${targets[@]}"; do
    rm -f "$build/work/$t/rc"
    fuzz_one "$t" &
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n; done
done
wait
rc=0
for t in "${targets[@]}"; do
    [ "$(cat "$build/work/$t/rc" 2>/dev/null)" = 0 ] || rc=1
done
exit $rc
