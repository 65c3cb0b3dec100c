#!/usr/bin/env bash
# Oblivar's one entry point for building and testing.
#   ./build.sh test    install what is missing, build both targets, run every test of both
#   ./build.sh build   install what is missing and build both targets
# Build folders: build/native (Linux) and build/windows (mingw-w64; tests run under Wine).
set -uo pipefail

root=$(cd "$(dirname "$0")" && pwd)
cmd=${1:-test}
jobs=${OBLIVAR_JOBS:-$(nproc)}

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev
          qtbase5-dev qttools5-dev-tools qttools5-dev g++-mingw-w64-x86-64-posix wine64
          xvfb e2fsprogs util-linux mount coreutils secure-delete)

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

configure_and_build() {
    cmake -S "$root" -B "$root/build/native" -G Ninja -DOBLIVAR_WERROR=ON >/dev/null &&
    cmake --build "$root/build/native" -j "$jobs" &&
    cmake -S "$root" -B "$root/build/windows" -G Ninja -DOBLIVAR_WERROR=ON \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
    cmake --build "$root/build/windows" -j "$jobs"
}

run_tests() {
    local rc=0 win="$root/build/windows"
    echo "== native tests"
    ctest --test-dir "$root/build/native" -j "$jobs" --output-on-failure --timeout 600 || rc=1

    echo "== Windows tests under Wine"
    "$root/cmake/wine-prefix.sh" "$win" || return 1
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

case "$cmd" in
    build) install_missing && configure_and_build ;;
    test) install_missing && configure_and_build && run_tests ;;
    *) echo "usage: $0 test|build" >&2; exit 2 ;;
esac
