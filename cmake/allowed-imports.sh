#!/bin/sh
# Checks that a Windows program imports no DLL beyond the ones named (case does not matter).
# Usage: allowed-imports.sh <program.exe> <dll>...
set -u
program=$1
shift
dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p') || exit 1
[ -n "$dlls" ] || { echo "$program: no imports found" >&2; exit 1; }
rc=0
for dll in $dlls; do
  allowed=no
  for a in "$@"; do
    if [ "$(printf %s "$dll" | tr A-Z a-z)" = "$(printf %s "$a" | tr A-Z a-z)" ]; then allowed=yes; fi
  done
  if [ $allowed = no ]; then
    echo "$(basename "$program") imports $dll, which it must not" >&2
    rc=1
  fi
done
[ $rc -eq 0 ] && echo "$(basename "$program") imports only:" $dlls
exit $rc
