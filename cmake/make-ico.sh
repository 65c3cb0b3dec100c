#!/bin/sh
# Makes a Windows icon file from 32-bit PNG images, one per size, kept as PNG entries.
# Usage: make-ico.sh <out.ico> <size>:<image.png>...
set -eu
out=$1
shift
# Little-endian bytes through printf's octal escapes (NUL included).
byte() { printf "\\$(printf %03o $(($1 & 255)))"; }
le16() { byte "$1"; byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
{
  le16 0; le16 1; le16 $#
  offset=$((6 + 16 * $#))
  for entry in "$@"; do
    size=${entry%%:*}
    bytes=$(wc -c <"${entry#*:}")
    byte "$size"; byte "$size"; byte 0; byte 0  # width, height, no palette, reserved
    le16 1; le16 32                            # planes, bits per pixel
    le32 "$bytes"; le32 "$offset"
    offset=$((offset + bytes))
  done
  for entry in "$@"; do cat "${entry#*:}"; done
} >"$out.part"
mv "$out.part" "$out"
