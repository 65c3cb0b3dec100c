#!/usr/bin/env bash
# Builds the native target with AddressSanitizer and UndefinedBehaviorSanitizer in build/asan and
# runs the whole native suite there. Any report fails the run, also one from a child process
# whose exit code a test does not look at: every report goes to a file, and the files are
# checked at the end.
#   tools/sanitize.sh            build and test
#   tools/sanitize.sh build      build only
# OBLIVAR_JOBS sets the parallel jobs (default 3: the machine is shared).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/asan"
jobs=${OBLIVAR_JOBS:-3}
cmd=${1:-test}

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

"$root/build.sh" deps || exit 1

cmake -S "$root" -B "$build" -G Ninja -DOBLIVAR_WERROR=ON -DOBLIVAR_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null &&
cmake --build "$build" -j "$jobs" || exit 1
[ "$cmd" = build ] && exit 0

reports="$build/sanitizer-reports"
rm -rf --one-file-system "$reports"
mkdir -p "$reports"
# Full stacks at every allocation: system libraries built without frame pointers would cut them
# short, and the leak suppressions name frames below those libraries.
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:fast_unwind_on_malloc=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"

rc=0
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 900 || rc=1

if [ -n "$(ls -A "$reports")" ]; then
    echo "== sanitizer reports:"
    for f in "$reports"/*; do
        echo "--- $f"
        cat "$f"
    done
    rc=1
else
    echo "== no sanitizer report"
fi
exit $rc
