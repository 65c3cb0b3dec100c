#!/bin/sh
# Test launcher. Usage: run-test.sh native|wine <build dir> <program> [args...]
# Gives the test process a private HOME, TMPDIR and XDG folders under the build tree, puts the
# stub session commands first in PATH, and for "wine" runs the program in the build's private
# prefix (no Z: drive; Y: is the build tree) with C:\ as its working folder.
# A native test's HOME, TMPDIR and XDG data and configuration folders lie more than 150
# characters deep however short the build tree's path is, so that a path cut to some fixed
# length fails on every machine, not only in a deep clone. The runtime folder stays short: it is
# where sockets go, and their addresses are short by nature.
set -u
mode=$1
build=$(cd "$2" && pwd) || exit 1
shift 2
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$build/test-tmp"
home=$(mktemp -d "$build/test-tmp/run.XXXXXX") || exit 1
deep="$home/deep"
while [ ${#deep} -le 150 ]; do deep="$deep/a-folder-name-of-some-length"; done
mkdir -p "$deep/tmp" "$deep/.config" "$deep/.local/share" "$deep/.cache" "$deep/xdg-config" "$home/run"
chmod 700 "$home/run"
export HOME="$deep"
export XDG_CONFIG_HOME="$deep/.config" XDG_DATA_HOME="$deep/.local/share" XDG_CACHE_HOME="$deep/.cache"
export XDG_CONFIG_DIRS="$deep/xdg-config" XDG_DATA_DIRS="$deep/share" XDG_RUNTIME_DIR="$home/run"
export PATH="$here/stubs:$PATH"
export OBLIVAR_STUB_LOG="$build/session-stubs.log"

case "$mode" in
  native)
    export TMPDIR="$deep/tmp" TMP="$deep/tmp" TEMP="$deep/tmp"
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
    # Under heavy load Wine now and then fails to start a program at all: it exits at once,
    # non-zero, and nothing of the program ran. A test program always prints when it runs, so
    # only a start that printed nothing is tried again; any real failure still shows.
    out="$home/wine-output"
    tries=0
    while :; do
      tries=$((tries + 1))
      { /usr/lib/wine/wine64 "$@"; echo $? > "$home/wine-rc"; } 2>&1 | tee "$out"
      rc=$(cat "$home/wine-rc")
      [ "$rc" -ne 0 ] && [ ! -s "$out" ] && [ $tries -lt 3 ] || break
      echo "run-test.sh: Wine did not start the program (exit code $rc); trying again" >&2
    done
    ;;
  *)
    echo "run-test.sh: unknown mode $mode" >&2
    rc=2
    ;;
esac
rm -rf --one-file-system "$home"
exit $rc
