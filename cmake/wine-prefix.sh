#!/bin/sh
# Creates the build's private Wine prefix once: Usage: wine-prefix.sh <build dir>
# The prefix has no Z: drive (which would be the host's root) and maps Y: to the build tree only,
# so a Windows test can reach nothing of this machine but the prefix's C: and its own build.
# Qt programs in it find TrueType fonts in C:\windows\Fonts (the offscreen platform draws no text
# without them) and log to stderr; Wine passes no QT_* variable from Linux, so these live in the
# prefix's user environment.
set -u
build=$(cd "$1" && pwd)
prefix="$build/wineprefix"
ready() { [ -f "$prefix/.oblivar-ready" ] && [ -f "$prefix/drive_c/windows/Fonts/DejaVuSans.ttf" ]; }
ready && exit 0
exec 9>"$build/wineprefix.lock"
flock 9
ready && exit 0
rm -rf --one-file-system "$prefix"
mkdir -p "$build/test-tmp/wine-home"
HOME="$build/test-tmp/wine-home" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
cp /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSansMono*.ttf \
   "$prefix/drive_c/windows/Fonts/" 2>/dev/null
for v in 'QT_QPA_FONTDIR=C:\windows\Fonts' QT_FORCE_STDERR_LOGGING=1; do
  HOME="$build/test-tmp/wine-home" WINEPREFIX="$prefix" WINEDEBUG=-all \
    /usr/lib/wine/wine64 reg add 'HKCU\Environment' /v "${v%%=*}" /d "${v#*=}" /f >/dev/null 2>&1
done
HOME="$build/test-tmp/wine-home" WINEPREFIX="$prefix" wineserver -w
if [ ! -d "$prefix/dosdevices" ] || [ ! -f "$prefix/drive_c/windows/Fonts/DejaVuSans.ttf" ]; then
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
