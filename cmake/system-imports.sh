#!/bin/sh
# Checks that Windows programs stand alone: every DLL they import is one that Windows itself
# provides (present in the Wine prefix's system32), so nothing has to be shipped beside them.
# Usage: system-imports.sh <build dir> <program.exe>...
set -u
build=$1
shift
"$(dirname "$0")/wine-prefix.sh" "$build" || exit 1
system32="$build/wineprefix/drive_c/windows/system32"
rc=0
for program in "$@"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p') || { rc=1; continue; }
  [ -n "$dlls" ] || { echo "$program: no imports found" >&2; rc=1; continue; }
  for dll in $dlls; do
    if ! ls "$system32" | grep -qixF "$dll"; then
      echo "$(basename "$program") imports $dll, which Windows does not provide" >&2
      rc=1
    fi
  done
done
[ $rc -eq 0 ] && echo "only system DLLs imported"
exit $rc
