#!/usr/bin/env bash
# Oblivar's one entry point for building and testing.
#   ./build.sh test    install what is missing, build both targets, run every test of both
#   ./build.sh build   install what is missing and build both targets
#   ./build.sh run     install what is missing, build olvex, and wipe a small sample folder with it
#   ./build.sh deps [PACKAGE...]  install what is missing of the project's packages and of those named
# Build folders: build/native (Linux) and build/windows (mingw-w64; tests run under Wine).
set -uo pipefail

root=$(cd "$(dirname "$0")" && pwd)
cmd=${1:-test}
jobs=${OBLIVAR_JOBS:-$(nproc)}

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev
          qtbase5-dev qttools5-dev-tools qttools5-dev g++-mingw-w64-x86-64-posix wine64
          librsvg2-bin fonts-dejavu-core fonts-liberation dpkg-dev make
          xvfb e2fsprogs xfsprogs util-linux mount coreutils secure-delete locales)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    ((${#missing[@]} == 0)) && return 0
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q "${missing[@]}"
}

configure_native() {
    cmake -S "$root" -B "$root/build/native" -G Ninja -DOBLIVAR_WERROR=ON >/dev/null &&
    cmake --build "$root/build/native" -j "$jobs" "$@"
}

configure_and_build() {
    local qt
    configure_native &&
    # The Windows Qt is made once per machine (the first time takes a while) and then reused.
    qt=$(OBLIVAR_JOBS=$jobs "$root/cmake/qt-mingw.sh") &&
    cmake -S "$root" -B "$root/build/windows" -G Ninja -DOBLIVAR_WERROR=ON \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DOBLIVAR_QT_PREFIX="$qt" >/dev/null &&
    cmake --build "$root/build/windows" -j "$jobs"
}

run_tests() {
    local rc=0 win="$root/build/windows"
    # Made first: a native test also runs the Windows olvex under Wine, in a copy of this prefix.
    "$root/cmake/wine-prefix.sh" "$win" || return 1
    echo "== native tests"
    ctest --test-dir "$root/build/native" -j "$jobs" --output-on-failure --timeout 600 || rc=1

    echo "== Windows tests under Wine"
    export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all
    # One server for the whole run: each Wine process then starts in a fraction of a second.
    HOME="$win/test-tmp/wine-home" wineserver -p
    # Start the prefix's services once before the tests, so no test pays for it (on a slow
    # machine that can take long enough to time out a test listing).
    HOME="$win/test-tmp/wine-home" /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1
    ctest --test-dir "$win" -j "$jobs" --output-on-failure --timeout 600 || rc=1
    wineserver -k 2>/dev/null
    return $rc
}

# Makes a small sample folder in a temporary directory and wipes it with olvex: the default
# scheme (random data), verification of the last pass, no question asked; the job's log is
# printed as it runs.
run_sample() {
    local olvex="$root/build/native/console/olvex" tmp sample rc
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/olvex-sample.XXXXXX") || return 1
    sample="$tmp/sample"
    mkdir -p "$sample/letters" "$sample/photos/2024"
    printf 'Dear bank,\nmy new PIN is 4711.\n' >"$sample/letters/bank.txt"
    printf 'Meeting notes: nothing to see here.\n' >"$sample/letters/notes.txt"
    head -c 300000 /dev/urandom >"$sample/photos/2024/holiday.jpg"
    head -c 70000 /dev/urandom >"$sample/photos/passport.png"
    echo "== wiping $sample"
    "$olvex" --wipe=file --verify=last --skip-confirm "$sample"
    rc=$?
    echo "== olvex exit code $rc; left in $tmp: $(find "$tmp" -mindepth 1 | wc -l) entries"
    rm -rf --one-file-system "$tmp"
    return $rc
}

case "$cmd" in
    build) install_missing && configure_and_build ;;
    test) install_missing && configure_and_build && run_tests ;;
    run) install_missing && configure_native --target olvex && run_sample ;;
    deps) shift; packages+=("$@"); install_missing ;;
    *) echo "usage: $0 test|build|run|deps [PACKAGE...]" >&2; exit 2 ;;
esac
