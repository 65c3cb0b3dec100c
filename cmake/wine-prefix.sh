#!/bin/sh
# Creates the build's private Wine prefix once: Usage: wine-prefix.sh <build dir>
# The prefix has no Z: drive (which would be the host's root) and maps Y: to the build tree only,
# so a Windows test can reach nothing of this machine but the prefix's C: and its own build.
set -u
build=$(cd "$1" && pwd)
prefix="$build/wineprefix"
[ -f "$prefix/.oblivar-ready" ] && exit 0
exec 9>"$build/wineprefix.lock"
flock 9
[ -f "$prefix/.oblivar-ready" ] && exit 0
rm -rf --one-file-system "$prefix"
mkdir -p "$build/test-tmp/wine-home"
HOME="$build/test-tmp/wine-home" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
HOME="$build/test-tmp/wine-home" WINEPREFIX="$prefix" wineserver -w
if [ ! -d "$prefix/dosdevices" ]; then
  echo "wine-prefix.sh: could not create the Wine prefix in $prefix" >&2
  exit 1
fi
for d in "$prefix"/dosdevices/*; do
  case "$(basename "$d")" in
    c:) ;;
    *) rm -f "$d" ;;
  esac
done
ln -s "$build" "$prefix/dosdevices/y:"
touch "$prefix/.oblivar-ready"
