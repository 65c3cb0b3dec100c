#!/usr/bin/env bash
# Builds the native target with AddressSanitizer and UndefinedBehaviorSanitizer in build/asan and
# runs the whole native suite there. Any report fails the run, also one from a child process
# whose exit code a test does not look at: every report goes to a file, and the files are
# checked at the end. Leaks of system libraries listed in tools/lsan.supp are not failures; the
# run shows which of them it met, how often, and where they come from.
#   tools/sanitize.sh            build and test
#   tools/sanitize.sh build      build only
#   tools/sanitize.sh fresh      build and test as a new machine would: no font cache at all, so
#                                every test process makes fontconfig build its own from the fonts
# OBLIVAR_JOBS sets the parallel jobs (default 3: the machine is shared).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/asan"
jobs=${OBLIVAR_JOBS:-3}
cmd=${1:-test}
supp="$root/tools/lsan.supp"

case "$cmd" in
  test|build|fresh) ;;
  *) echo "usage: tools/sanitize.sh [test|build|fresh]" >&2; exit 2 ;;
esac

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

"$root/build.sh" deps || exit 1

cmake -S "$root" -B "$build" -G Ninja -DOBLIVAR_WERROR=ON -DOBLIVAR_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null &&
cmake --build "$build" -j "$jobs" || exit 1
[ "$cmd" = build ] && exit 0

if [ "$cmd" = fresh ]; then
    # The system's configuration with its cache folders replaced by one under XDG_CACHE_HOME,
    # which the test launcher makes new for every test: the machine's cache is neither read
    # nor written.
    system_conf=/etc/fonts/fonts.conf
    fresh_conf="$build/fresh-fonts.conf"
    if grep '<cachedir' "$system_conf" | grep -qv '</cachedir>'; then
        echo "tools/sanitize.sh: $system_conf spreads a <cachedir> over lines; cannot replace it" >&2
        exit 1
    fi
    sed -e '/<cachedir/d' \
        -e 's#^[[:space:]]*</fontconfig>#\t<cachedir prefix="xdg">fontconfig</cachedir>\n</fontconfig>#' \
        "$system_conf" >"$fresh_conf" || exit 1
    if [ "$(grep -c '<cachedir' "$fresh_conf")" != 1 ]; then
        echo "tools/sanitize.sh: could not make $fresh_conf" >&2
        exit 1
    fi
    export FONTCONFIG_FILE="$fresh_conf"
    echo "== fontconfig starts without a cache in every test ($fresh_conf)"
fi

reports="$build/sanitizer-reports"
rm -rf --one-file-system "$reports"
mkdir -p "$reports"
# Full stacks at every allocation: system libraries built without frame pointers would cut them
# short, and the leak suppressions name frames below those libraries. A report's file is named
# after its program. Matched suppressions are listed in the same files and are told apart below.
# GCC's UBSan runtime, loaded beside ASan's, writes its reports to stderr whatever log_path says;
# only its closing summary line reaches a file (through ASan's runtime), so it must be printed:
# without it a child process killed by UBSan, whose exit code no test looks at, goes unseen.
export ASAN_OPTIONS="log_path=$reports/asan:log_exe_name=1:detect_leaks=1:fast_unwind_on_malloc=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:log_exe_name=1:print_stacktrace=1:print_summary=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=1"

rc=0
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 900 || rc=1

# Splits every file into the block LeakSanitizer prints for the suppressions a process matched
# and everything else. Anything else is a report and fails the run; the blocks are summed up.
matched="$build/sanitizer-suppressed.txt"
: >"$matched"
failed=()
for f in "$reports"/*; do
    [ -e "$f" ] || continue
    name=$(basename "$f")
    rest=$(awk -v matched="$matched" -v file="$name" -v prog="$(sed 's/^[a-z]*\.//; s/\.[0-9]*$//' <<<"$name")" '
        function flush() { for (i = 1; i <= held; i++) print hold[i]; held = 0 }
        /^-+$/ && block  { block = 0; next }
        /^-+$/           { flush(); hold[++held] = $0; next }
        /^Suppressions used:$/ && held == 1 { held = 0; block = 1; next }
        block && /^ *count +bytes +template$/ { next }
        block && /^ *[0-9]+ +[0-9]+ +[^ ]/ {
            print file, prog, $1, $2, substr($0, index($0, $3)) >> matched; next }
        block            { print "(unreadable suppression line) " $0; next }
        { flush(); print }
        END { flush(); if (block) print "(suppression list not closed)" }' "$f")
    if [ -n "$(tr -d '[:space:]' <<<"$rest")" ]; then
        failed+=("$f")
        echo "--- $f"
        echo "$rest"
    fi
done

if [ -s "$matched" ]; then
    echo "== leaks of system libraries not counted (tools/lsan.supp):"
    awk -v supp="$supp" '
        BEGIN {
            # Each suppression with the comment above it, which names the stack it stands for.
            while ((getline line < supp) > 0) {
                if (line ~ /^# *$/) { note = ""; continue }
                if (line ~ /^#/) { note = note "      " line "\n"; continue }
                if (line ~ /^leak:/) { t = substr(line, 6); order[++n] = t; notes[t] = note }
                note = ""
            }
        }
        {
            t = $0; sub(/^[^ ]+ [^ ]+ [0-9]+ [0-9]+ /, "", t)
            procs[t]++; leaks[t] += $3; bytes[t] += $4; by[t, $2]++
            if (!((t, $2) in seen)) { seen[t, $2] = 1; names[t] = names[t] " " $2 }
            if (!($1 in files)) { files[$1] = 1; total++ }
        }
        END {
            printf "  %9s %7s %9s  %s\n", "processes", "leaks", "bytes", "suppression"
            for (i = 1; i <= n; i++) {
                t = order[i]
                if (!(t in procs)) continue
                printf "  %9d %7d %9d  %s\n", procs[t], leaks[t], bytes[t], t
                split(substr(names[t], 2), p, " "); list = ""
                for (j = 1; j in p; j++) list = list (j > 1 ? ", " : "") p[j] " " by[t, p[j]]
                printf "      in: %s\n%s", list, notes[t]
            }
            for (t in procs) if (!(t in notes)) printf "  %9d %7d %9d  %s (not in the file)\n", procs[t], leaks[t], bytes[t], t
            for (i = 1; i <= n; i++) if (!(order[i] in procs)) printf "  not met in this run: %s\n", order[i]
            printf "  %d process(es) met a suppression\n", total
        }' "$matched"
else
    echo "== no suppressed leak met"
fi

if ((${#failed[@]})); then
    echo "== ${#failed[@]} sanitizer report(s), above"
    rc=1
else
    echo "== no sanitizer report"
fi
exit $rc
