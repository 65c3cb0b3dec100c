#!/bin/sh
# Test launcher. Usage: run-test.sh native|wine <build dir> <program> [args...]
# Gives the test process a private HOME, TMPDIR and XDG folders under the build tree, puts the
# stub session commands first in PATH, and for "wine" runs the program in the build's private
# prefix (no Z: drive; Y: is the build tree) with C:\ as its working folder.
set -u
mode=$1
build=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$build/test-tmp"
home=$(mktemp -d "$build/test-tmp/run.XXXXXX") || exit 1
mkdir -p "$home/tmp" "$home/.config" "$home/.local/share" "$home/.cache" "$home/xdg-config" "$home/run"
chmod 700 "$home/run"
export HOME="$home"
export XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache"
export XDG_CONFIG_DIRS="$home/xdg-config" XDG_DATA_DIRS="$home/share" XDG_RUNTIME_DIR="$home/run"
export PATH="$here/stubs:$PATH"
export OBLIVAR_STUB_LOG="$build/session-stubs.log"

case "$mode" in
  native)
    export TMPDIR="$home/tmp" TMP="$home/tmp" TEMP="$home/tmp"
    "$@"
    rc=$?
    ;;
  wine)
    # Wine keeps its server socket under TMPDIR: leave it alone so every test reaches the one
    # persistent server. Windows programs take their temporary folder from the prefix anyway.
    "$here/wine-prefix.sh" "$build" || { rm -rf --one-file-system "$home"; exit 1; }
    export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The working folder is the prefix's C:\, so a relative path stays inside the prefix too.
    cd "$WINEPREFIX/drive_c" || { rm -rf --one-file-system "$home"; exit 1; }
    /usr/lib/wine/wine64 "$@"
    rc=$?
    ;;
  *)
    echo "run-test.sh: unknown mode $mode" >&2
    rc=2
    ;;
esac
rm -rf --one-file-system "$home"
exit $rc
